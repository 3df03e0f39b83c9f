// Reading STL files: form recognition, the tolerant text parser, binary
// records in either byte order, the bounds pass.
//
// Implementation notes:
// - The file is read through one 64 KiB buffer. Text lines are cut at 255
//   characters (the rest of a longer line is read as the next line) and at
//   a zero byte, so no line is ever longer than its buffer.
// - Text: the first character of a line that is one of "efsovEFSOV" starts
//   the keyword, compared without regard to case; "solid" lines hold none of
//   the keywords and are skipped. A number starts at the next character of
//   "1234567890-.\n" and is converted in the C locale whatever the
//   process's locale (a window may have set one with a decimal comma); the
//   next number starts after the next blank or tab. A line without numbers
//   gives 0.0. A number out of double range counts as not finite.
// - Binary: the count must equal (size - 84) / 50, the count the form
//   recognition relies on; values are assembled byte by byte, so the host's
//   byte order does not matter.
#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>
#include <sys/stat.h>

#include "base/text.h"
#include "workio/stl_file.h"

namespace morvex {
namespace {

constexpr std::size_t kReadBuffer = 64 * 1024;
constexpr std::size_t kLineMax = 255;

struct FileCloser {
    void operator()(std::FILE* fp) const { std::fclose(fp); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool IsDmeName(const std::string& path) { return EndsWithNoCase(path, ".DME"); }

// A regular file opened for reading, with its size.
FilePtr OpenRegular(const std::string& path, std::uint64_t& size) {
    FilePtr fp(std::fopen(path.c_str(), "rb"));
    if (!fp) return fp;
    struct stat st {};
    if (::fstat(::fileno(fp.get()), &st) != 0 || !S_ISREG(st.st_mode)) return FilePtr();
    size = static_cast<std::uint64_t>(st.st_size);
    return fp;
}

bool Finite(const StlFacet& f) {
    for (const Point& p : f.v) {
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) return false;
    }
    return true;
}

// ---- text ----

// Lines of at most kLineMax characters from a buffered file.
struct LineReader {
    std::FILE* fp = nullptr;
    std::unique_ptr<char[]> buf{new char[kReadBuffer]};
    std::size_t pos = 0, len = 0;
    bool eof = false, failed = false;
    std::uint64_t consumed = 0;  // bytes read from the file so far
    std::function<void(std::uint64_t)> refilled;

    // The next line without its end; false at the end of the file.
    bool Next(std::string_view& line) {
        static thread_local std::array<char, kLineMax> out;
        std::size_t n = 0;
        bool any = false;
        while (true) {
            if (pos == len) {
                if (eof) break;
                len = std::fread(buf.get(), 1, kReadBuffer, fp);
                pos = 0;
                consumed += len;
                if (refilled) refilled(consumed);
                if (len == 0) {
                    eof = true;
                    failed = std::ferror(fp) != 0;
                    break;
                }
            }
            any = true;
            const char c = buf[pos++];
            if (c == '\n') break;
            out[n++] = c;
            if (n == kLineMax) break;
        }
        if (!any) return false;
        // A zero byte ends the line's text, as it ends a C string.
        const auto* zero = static_cast<const char*>(std::memchr(out.data(), '\0', n));
        line = std::string_view(out.data(), zero != nullptr ? static_cast<std::size_t>(zero - out.data()) : n);
        return true;
    }
};

bool StartsNoCase(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
    }
    return true;
}

bool StartsNumber(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '\n'; }

// The longest decimal number at the start of text (0.0 when there is none);
// NaN when it lies beyond the range of a double.
double LeadingNumber(std::string_view text) {
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range) return std::numeric_limits<double>::quiet_NaN();
    if (ec != std::errc()) return 0.0;
    return value;
}

// Three numbers of a line from `at` on.
Point ThreeNumbers(std::string_view line, std::size_t at) {
    Point p{0.0, 0.0, 0.0};
    for (double& value : p) {
        while (at < line.size() && !StartsNumber(line[at])) ++at;
        value = at < line.size() ? LeadingNumber(line.substr(at)) : 0.0;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
    }
    return p;
}

StlStatus ReadText(std::FILE* fp, std::uint64_t size, const StlVisitor& visit, const Progress* progress) {
    LineReader reader;
    reader.fp = fp;
    if (progress != nullptr) {
        reader.refilled = [&](std::uint64_t consumed) {
            progress->Advance(static_cast<double>(consumed) / static_cast<double>(size));
        };
    }
    std::string_view line;
    StlFacet facet;
    int vertices = 0;
    while (reader.Next(line)) {
        const std::size_t k = line.find_first_of("efsovEFSOV");
        if (k == std::string_view::npos) continue;
        const std::string_view word = line.substr(k);
        if (StartsNoCase(word, "facet")) {
            facet.normal = ThreeNumbers(line, k + 5);
        } else if (StartsNoCase(word, "outer")) {
            vertices = 0;
        } else if (StartsNoCase(word, "vertex")) {
            if (vertices < 3) facet.v[static_cast<std::size_t>(vertices)] = ThreeNumbers(line, k + 6);
            vertices = std::min(vertices + 1, 3);
        } else if (StartsNoCase(word, "endloop") || StartsNoCase(word, "end loop")) {
            // A loop of fewer than three vertices describes no facet.
            if (vertices == 3) {
                if (!Finite(facet)) return StlStatus::BadNumber;
                if (!visit(facet)) return StlStatus::Ok;
            }
            vertices = 0;
        } else if (StartsNoCase(word, "endsolid") || StartsNoCase(word, "end solid")) {
            break;
        }
    }
    return reader.failed ? StlStatus::ReadFailed : StlStatus::Ok;
}

// ---- binary ----

std::uint32_t U32(const unsigned char* b, bool big) {
    if (big) {
        return static_cast<std::uint32_t>(b[3]) | static_cast<std::uint32_t>(b[2]) << 8 |
               static_cast<std::uint32_t>(b[1]) << 16 | static_cast<std::uint32_t>(b[0]) << 24;
    }
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

double F32(const unsigned char* b, bool big) {
    const std::uint32_t u = U32(b, big);
    float f = 0.0f;
    std::memcpy(&f, &u, 4);
    return static_cast<double>(f);
}

StlStatus ReadBinary(std::FILE* fp, std::uint64_t size, bool big, const StlVisitor& visit,
                     const Progress* progress) {
    unsigned char head[kStlHeaderSize + 4];
    if (size < sizeof head) return StlStatus::BadCount;
    if (std::fread(head, 1, sizeof head, fp) != sizeof head) return StlStatus::ReadFailed;
    const std::uint64_t count = U32(head + kStlHeaderSize, big);
    if (count != (size - sizeof head) / kStlRecordSize) return StlStatus::BadCount;
    constexpr std::size_t kRecords = kReadBuffer / kStlRecordSize;
    std::unique_ptr<unsigned char[]> buf(new unsigned char[kRecords * kStlRecordSize]);
    StlFacet facet;
    for (std::uint64_t done = 0; done < count;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kRecords, count - done));
        if (std::fread(buf.get(), kStlRecordSize, want, fp) != want) return StlStatus::ReadFailed;
        for (std::size_t r = 0; r < want; ++r) {
            const unsigned char* rec = buf.get() + r * kStlRecordSize;
            for (int i = 0; i < 3; ++i) facet.normal[static_cast<std::size_t>(i)] = F32(rec + 4 * i, big);
            for (std::size_t v = 0; v < 3; ++v) {
                for (std::size_t i = 0; i < 3; ++i) facet.v[v][i] = F32(rec + 12 + 12 * v + 4 * i, big);
            }
            if (!Finite(facet)) return StlStatus::BadNumber;
            if (!visit(facet)) return StlStatus::Ok;
        }
        done += want;
        AdvanceOf(progress, static_cast<double>(done) / static_cast<double>(count));
    }
    return StlStatus::Ok;
}

}  // namespace

StlStatus DetectStlType(const std::string& path, int& type) {
    std::uint64_t size = 0;
    FilePtr fp = OpenRegular(path, size);
    if (!fp) return StlStatus::NotOpened;
    if (size == 0) return StlStatus::Empty;
    if (IsDmeName(path)) {
        type = kStlDme;
        return StlStatus::Ok;
    }
    unsigned char head[256] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, fp.get());
    for (std::size_t i = 0; i + 5 <= got && i < 250; ++i) {
        if (StartsNoCase(std::string_view(reinterpret_cast<const char*>(head) + i, 5), "facet")) {
            type = kStlText;
            return StlStatus::Ok;
        }
    }
    type = kStlBinaryLittle;
    if (got >= kStlHeaderSize + 4 && size >= kStlHeaderSize + 4) {
        const std::uint64_t n = (size - kStlHeaderSize - 4) / kStlRecordSize;
        if (U32(head + kStlHeaderSize, true) == n) type = kStlBinaryBig;
    }
    return StlStatus::Ok;
}

StlStatus ForEachStlFacet(int type, const std::string& path, const StlVisitor& visit, const Progress* progress) {
    std::uint64_t size = 0;
    FilePtr fp = OpenRegular(path, size);
    if (!fp) return StlStatus::NotOpened;
    if (size == 0) return StlStatus::Empty;
    if (type == kStlText) return ReadText(fp.get(), size, visit, progress);
    return ReadBinary(fp.get(), size, type == kStlBinaryBig, visit, progress);
}

StlStatus ReadStlBounds(int type, const std::string& path, StlBounds& bounds, const Progress* progress) {
    bounds = StlBounds{};
    const StlStatus status = ForEachStlFacet(type, path, [&](const StlFacet& f) {
        for (const Point& p : f.v) {
            for (std::size_t i = 0; i < 3; ++i) {
                bounds.min[i] = std::min(bounds.min[i], p[i]);
                bounds.max[i] = std::max(bounds.max[i], p[i]);
            }
        }
        ++bounds.facets;
        return true;
    }, progress);
    if (status != StlStatus::Ok) return status;
    return bounds.facets == 0 ? StlStatus::NoFacets : StlStatus::Ok;
}

double StlNodeCount(double span, double pitch) {
    const double n = std::trunc(span * (1.0 / pitch) + 1.001);
    if (!std::isfinite(n)) return std::numeric_limits<double>::infinity();
    return std::max(2.0, n);
}

std::optional<MsgId> StlLoadMessage(StlStatus status) {
    switch (status) {
        case StlStatus::Ok: return std::nullopt;
        case StlStatus::NotOpened: return MsgId::StlNotOpened;
        case StlStatus::Empty: return MsgId::StlEmpty;
        case StlStatus::BadCount: return MsgId::StlBadCount;
        case StlStatus::BadNumber: return MsgId::StlBadNumber;
        case StlStatus::NoFacets: return MsgId::StlNoFacets;
        case StlStatus::ReadFailed: return MsgId::StlReadFailed;
        case StlStatus::MemoryOver: return MsgId::MemoryOver;
    }
    return std::nullopt;
}

}  // namespace morvex
