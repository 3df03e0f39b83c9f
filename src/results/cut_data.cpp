#include "results/cut_data.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "base/fixed_decimal.h"

namespace morvex {
namespace {

// A text line is put together in a buffer of its own and appended at once.
struct LineBuffer {
    char text[1024];
    char* at = text;
    void Put(char c) { *at++ = c; }
    void Put(const char* s, std::size_t n) {
        std::memcpy(at, s, n);
        at += n;
    }
    void Int(long long v) { at = std::to_chars(at, at + 24, v).ptr; }
    // "%f" (six decimals) without printf; printf's own form for the values
    // WriteFixedSix leaves (beyond 1e12, not finite), cut to 191 characters.
    void Fixed(double v) {
        if (char* end = WriteFixedSix(at, v)) {
            at = end;
            return;
        }
        const int n = std::snprintf(at, 192, "%f", v);
        at += std::clamp(n, 0, 191);
    }
};

void PutBytes(std::string& b, const void* p, std::size_t n) { b.append(static_cast<const char*>(p), n); }

// The queue holds this many chunks at most (about 1.5 MB, some 100 ms of a
// fast run's records, enough to ride out a sync of the file): the run
// waits rather than let the records of a long program pile up in memory.
constexpr std::size_t kQueuedChunks = 6;
// The writer makes its file durable every this many bytes on the way.
constexpr std::uint64_t kDurableStep = std::uint64_t{4} << 20;
// The writer writes its formatted bytes in pieces of about this size.
constexpr std::size_t kWritePiece = std::size_t{1} << 16;

void WriteRecords(CutDataWriter& w) {
    // Behind the run's own threads: on a machine with as many processors
    // as sweeping threads it takes the time they leave (they wait for each
    // other now and then), and should it fall behind, the full queue makes
    // the run wait for it. (Only a hint: a system may refuse.)
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
    std::string bytes;
    bytes.reserve(kWritePiece + 1024);
    std::unique_lock<std::mutex> lock(w.mutex);
    for (;;) {
        w.work.wait(lock, [&] { return !w.queue.empty() || w.closing; });
        if (w.queue.empty()) break;
        std::vector<CutRecord> chunk = std::move(w.queue.front());
        w.queue.pop_front();
        lock.unlock();
        for (const CutRecord& r : chunk) {
            AppendCutRecord(w.form, r, bytes);
            if (bytes.size() >= kWritePiece) {
                if (!w.failed && !WriteBytes(w.file, bytes.data(), bytes.size())) w.failed = true;
                bytes.clear();
            }
        }
        chunk.clear();
        lock.lock();
        w.spare.push_back(std::move(chunk));
        w.space.notify_one();
    }
    lock.unlock();
    if (!bytes.empty() && !w.failed && !WriteBytes(w.file, bytes.data(), bytes.size())) w.failed = true;
}

}  // namespace

void AppendCutRecord(CutDataForm& form, const CutRecord& r, std::string& bytes) {
    if (!form.binary) {
        // "N%d(%04d)G%02dX%fY%fZ%f" (or NURBS for the type), then the class
        // part. At most 12 + 6 + 5 + 4 x 192 + 2 x 12 + 5 characters.
        LineBuffer s;
        s.Put('N');
        s.Int(r.line);
        s.Put(r.blockEnd ? "(0001)" : "(0000)", 6);
        if (r.nurbs) {
            s.Put("NURBS", 5);
        } else {
            s.Put('G');
            if (r.type < 10) s.Put('0');
            s.Int(r.type);
        }
        s.Put('X');
        s.Fixed(r.x);
        s.Put('Y');
        s.Fixed(r.y);
        s.Put('Z');
        s.Fixed(r.z);
        if (r.cutClass <= 3) {
            s.Put('F');
            s.Int(r.feed);
            s.Put('(');
            s.Put("AVUD"[r.cutClass]);
            s.Fixed(r.load);
            s.Put('F');
            s.Int(r.chosen);
            s.Put(")\n", 2);
        } else {
            s.Put("(N)\n", 4);
        }
        bytes.append(s.text, static_cast<std::size_t>(s.at - s.text));
        return;
    }
    const float x = static_cast<float>(r.x), y = static_cast<float>(r.y), z = static_cast<float>(r.z),
                load = static_cast<float>(r.load);
    unsigned char flags[2] = {0, 0};
    unsigned char fields[40];
    std::size_t n = 0;
    auto put = [&](const void* p, std::size_t size) {
        std::memcpy(fields + n, p, size);
        n += size;
    };
    if (r.tool != form.tool) {
        const std::uint16_t t = static_cast<std::uint16_t>(r.tool);
        flags[0] |= 0x01, put(&t, 2), form.tool = r.tool;
    }
    if (r.line != form.line) {
        const std::int32_t l = r.line;
        flags[0] |= 0x02, put(&l, 4), form.line = r.line;
    }
    if (r.type != form.type) {
        const std::uint8_t t = static_cast<std::uint8_t>(r.type);
        flags[0] |= 0x04, put(&t, 1), form.type = r.type;
    }
    if (x != form.x) flags[0] |= 0x08, put(&x, 4), form.x = x;
    if (y != form.y) flags[0] |= 0x10, put(&y, 4), form.y = y;
    if (z != form.z) flags[0] |= 0x20, put(&z, 4), form.z = z;
    if (r.feed != form.feed) {
        const std::int32_t v = r.feed;
        flags[0] |= 0x40, put(&v, 4), form.feed = r.feed;
    }
    if (r.cutClass != form.cutClass) {
        const std::uint8_t c = static_cast<std::uint8_t>(r.cutClass);
        flags[0] |= 0x80, put(&c, 1), form.cutClass = r.cutClass;
    }
    if (load != form.load) flags[1] |= 0x01, put(&load, 4), form.load = load;
    if (r.chosen != form.chosen) {
        const std::int32_t v = r.chosen;
        flags[1] |= 0x02, put(&v, 4), form.chosen = r.chosen;
    }
    PutBytes(bytes, flags, 2);
    PutBytes(bytes, fields, n);
}

CutDataWriter::~CutDataWriter() {
    if (thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            closing = true;
        }
        work.notify_one();
        thread.join();
    }
    // Abandoned before its finish: the half file goes, the old one stays.
    if (file.fd >= 0) (void)FinishReplace(file, false);
}

std::unique_ptr<CutDataWriter> StartCutDataWriter(ReplacedFile& file, const CutDataForm& form) {
    auto writer = std::make_unique<CutDataWriter>();
    writer->file = file;
    writer->file.durableStep = kDurableStep;
    writer->form = form;
    try {
        writer->thread = std::thread(WriteRecords, std::ref(*writer));
    } catch (const std::system_error&) {
        writer->file = ReplacedFile{};  // still the caller's
        return nullptr;
    }
    file.fd = -1;
    return writer;
}

void HandCutRecords(CutDataWriter& w, std::vector<CutRecord>& chunk) {
    std::vector<CutRecord> next;
    {
        std::unique_lock<std::mutex> lock(w.mutex);
        w.space.wait(lock, [&] { return w.queue.size() < kQueuedChunks; });
        w.queue.push_back(std::move(chunk));
        if (!w.spare.empty()) {
            next = std::move(w.spare.back());
            w.spare.pop_back();
        }
    }
    w.work.notify_one();
    next.reserve(kCutRecordChunk);
    chunk = std::move(next);
}

bool FinishCutDataWriter(CutDataWriter& w, std::vector<CutRecord>& rest, ReplacedFile& file, CutDataForm& form) {
    {
        std::lock_guard<std::mutex> lock(w.mutex);
        if (!rest.empty()) w.queue.push_back(std::move(rest));
        w.closing = true;
    }
    w.work.notify_one();
    if (w.thread.joinable()) w.thread.join();
    rest.clear();
    file = w.file;
    w.file = ReplacedFile{};
    form = w.form;
    return !w.failed;
}

}  // namespace morvex
