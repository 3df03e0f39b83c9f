#include "frame/desktop_module.h"

#include <dlfcn.h>

#include "base/messages.h"

namespace morvex {

bool LoadDesktopModule(const std::string& dir, DesktopModule& module, std::string& error) {
    module = DesktopModule{};
    std::string file = dir;
    if (!file.empty() && file.back() != '/') file += '/';
    file += kDesktopModuleFile;
    auto fail = [&](const char* reason) {
        error = std::string(Msg(MsgId::DesktopModuleNotLoaded)) + file;
        if (reason != nullptr && *reason != '\0') error += std::string(" (") + reason + ")";
        return false;
    };
    // A relative path would make dlopen search the library path.
    if (dir.empty() || dir[0] != '/') return fail(nullptr);
    // Every symbol resolved now: a module that does not match the program
    // is refused here rather than failing in the middle of a run.
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return fail(dlerror());
    void* window = dlsym(handle, "morvex_desktop_window");
    void* picture = dlsym(handle, "morvex_desktop_picture");
    if (window == nullptr || picture == nullptr) {
        dlclose(handle);
        return fail("entries missing");
    }
    module.runWindow = reinterpret_cast<int (*)(App*, char*)>(window);
    module.writePicture = reinterpret_cast<int (*)(App*, Host*)>(picture);
    return true;
}

}  // namespace morvex
