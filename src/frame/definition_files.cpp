// The definition-file check.
#include "frame/definition_files.h"

#include "base/messages.h"
#include "base/paths.h"
#include "platform/host.h"

namespace morvex {
namespace {

struct KindMessages {
    MsgId updated;
    MsgId notFound;
    int sound;
};

constexpr KindMessages kKindMessages[kDefinitionKinds] = {
    {MsgId::TtlUpdated, MsgId::TtlNotFound, kSoundToolChange},
    {MsgId::AtlUpdated, MsgId::AtlNotFound, kSoundToolChange},
    {MsgId::CtlUpdated, MsgId::CtlNotFound, kSoundWorkSet},
    {MsgId::MtlUpdated, MsgId::MtlNotFound, kSoundWorkSet},
};

}  // namespace

int CheckDefinitionFiles(DefinitionFiles& files, Host& host, const DefinitionReload& reload,
                         bool soundOn, const std::string& startDir) {
    if (files.checking || CurrentDirectory() != startDir) return 0;
    files.checking = true;
    int reloaded = 0;
    for (std::size_t i = 0; i < kDefinitionKinds; ++i) {
        DefinitionFile& file = files.files[i];
        if (file.path.empty()) continue;
        const FileTime now = ReadFileTime(file.path);
        if (now == file.readTime) continue;
        const KindMessages& texts = kKindMessages[i];
        if (!now) {
            ShowError(host, Msg(texts.notFound));
            file.path.clear();
            file.readTime.reset();
            continue;
        }
        ShowText(host, Msg(texts.updated));
        const auto kind = static_cast<DefinitionKind>(i);
        // The tool table names its arbor file, so an arbor change reads both.
        const DefinitionKind toRead = kind == DefinitionKind::Arbor ? DefinitionKind::ToolTable : kind;
        if (reload.read) reload.read(toRead);
        // Whatever the reader did, this change has been seen.
        file.readTime = now;
        ++reloaded;
        if (reload.refresh) reload.refresh();
        if (soundOn) host.PlaySound(texts.sound);
    }
    files.checking = false;
    return reloaded;
}

}  // namespace morvex
