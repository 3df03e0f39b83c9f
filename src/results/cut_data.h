// The cut data of an optimising run: a record per motion step, written as a
// text line or in a compact binary form. A run tells hundreds of thousands
// of steps, so the records are formatted and written on a thread of their
// own: the run only copies each step's few numbers into a chunk and hands
// full chunks over.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "workio/replaced_file.h"

namespace morvex {

// One step as the cut data logs it.
struct CutRecord {
    double x = 0.0, y = 0.0, z = 0.0;  // where it ended, program frame (mm)
    double load = 0.0;
    int line = 0;      // NC line
    int type = 0;      // motion code
    int cutClass = 255;  // 0 A, 1 V, 2 U, 3 D, 255 none
    int feed = 0;      // programmed feed
    int chosen = 0;    // the feed the optimised NC gives it
    int tool = 0;
    bool blockEnd = false;
    bool nurbs = false;
};

// The form of the stream and, for the binary form, the previous record's
// fields, which a record repeats only where they changed.
struct CutDataForm {
    bool binary = false;
    int tool = 0, line = 0, type = 0x5C, cutClass = 255, feed = 0, chosen = 0;
    float x = 0, y = 0, z = 0, load = 0;
};

// Appends the record's line (text) or its changed fields (binary).
void AppendCutRecord(CutDataForm& form, const CutRecord& record, std::string& bytes);

// Records in chunks of this many are handed to the writer thread.
inline constexpr std::size_t kCutRecordChunk = 4096;

// The writer thread and what it shares with the run. It owns the file and
// the form from StartCutDataWriter until FinishCutDataWriter.
struct CutDataWriter {
    ReplacedFile file;
    CutDataForm form;
    bool failed = false;  // a write failed; read after the thread ended
    std::mutex mutex;
    std::condition_variable work;   // a chunk is queued, or the run is over
    std::condition_variable space;  // the queue has room again
    std::deque<std::vector<CutRecord>> queue;
    std::vector<std::vector<CutRecord>> spare;  // emptied chunks for reuse
    bool closing = false;
    std::thread thread;
    ~CutDataWriter();
};

// Starts the thread, which takes over the file and the form. Null when no
// thread can be started (the caller formats the records itself).
std::unique_ptr<CutDataWriter> StartCutDataWriter(ReplacedFile& file, const CutDataForm& form);
// Queues a full chunk (waiting while the queue is full) and leaves an empty
// one with room for a chunk in its place.
void HandCutRecords(CutDataWriter& writer, std::vector<CutRecord>& chunk);
// Queues the last records, waits until everything is written and gives the
// file and the form back. False when a write failed.
bool FinishCutDataWriter(CutDataWriter& writer, std::vector<CutRecord>& rest, ReplacedFile& file,
                         CutDataForm& form);

}  // namespace morvex
