// The way a line reaches its file: whole or not at all, into the file of its path, waiting
// behind a file that fails or hangs without holding up whoever hands it in, and told once
// when everything that waited is written.
#include "journal/journal_backlog.h"
#include "journal/journal_writer_thread.h"
#include "journal_fakes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace trx {

namespace {

using test::MemoryFile;

const std::string HEAD = JOURNAL_FILE_HEAD;
const std::string A = "C:\\J\\Com03\\2026-12-07.csv";
const std::string B = "C:\\J\\Com03\\2026-12-08.csv";

std::string line(int n) {
    return "2026-12-07T23:59:59.999Z;x;Sender;Meldung;;;;Zeile " + std::to_string(n) + ";\r\n";
}

// Polls `done` until it holds; the deadline only keeps a broken writer from hanging the run.
template <typename Done> bool eventually(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Hands the writer thread a file that the test keeps seeing after the thread let go of it.
class SharedFile : public JournalFile {
  public:
    explicit SharedFile(std::shared_ptr<MemoryFile> file) : file_(std::move(file)) {}
    bool open(const char* path) override { return file_->open(path); }
    void close() override { file_->close(); }
    bool size(int64_t& bytes) override { return file_->size(bytes); }
    bool write(const char* data, size_t size, size_t& written) override {
        return file_->write(data, size, written);
    }
    bool truncate(int64_t bytes) override { return file_->truncate(bytes); }
    std::string reason() const override { return file_->reason(); }

  private:
    std::shared_ptr<MemoryFile> file_;
};

} // namespace

// The file stays open for its path's lines; a new UTC day or another port's key, even
// within the same second, opens the file of the new path in its place.
TEST(JournalAppend, EachLineGoesToTheFileOfItsPathWhichStaysOpen) {
    MemoryFile file;
    JournalAppender appender(file);
    int64_t end = 0;
    ASSERT_TRUE(appender.append(A, line(1), end));
    ASSERT_TRUE(appender.append(A, line(2), end));
    EXPECT_EQ(end, static_cast<int64_t>((HEAD + line(1) + line(2)).size()));
    ASSERT_TRUE(appender.append(B, line(3), end)); // midnight UTC
    const std::string C = "C:\\J\\allgemein\\2026-12-08.csv";
    ASSERT_TRUE(appender.append(C, line(4), end)); // the port's key changed
    EXPECT_EQ(file.files[A], HEAD + line(1) + line(2));
    EXPECT_EQ(file.files[B], HEAD + line(3));
    EXPECT_EQ(file.files[C], HEAD + line(4));
    EXPECT_EQ(file.opens, (std::vector<std::string>{A, B, C}));
    appender.close();
    EXPECT_EQ(file.closes, 3);
    EXPECT_EQ(appender.openPath(), "");
}

// However a write fails part-way, the line is in the file whole and once after it is tried
// again, and nothing of it before.
TEST(JournalAppend, ALineCutShortIsTakenBackAndWrittenWholeLater) {
    struct Case {
        const char* story;
        bool newFile; // the cut write is the file's first: its head and the line
        int cutTo;
        bool shortSucceeds, truncateFails, sizeFails;
    };
    const Case cases[] = {
        {"the write fails after 10 bytes", false, 10, false, false, false},
        {"the write says it succeeded with 10 bytes", false, 10, true, false, false},
        {"the part cannot be cut off at once", false, 10, false, true, false},
        {"the file cannot even say its size", false, 10, false, false, true},
        {"nothing of the line arrived", false, 0, false, true, false},
        {"a new file's head cut short", true, 5, false, false, false},
    };
    for (const Case& c : cases) {
        MemoryFile file;
        JournalAppender appender(file);
        int64_t end = 0;
        const std::string before = c.newFile ? HEAD : HEAD + line(1);
        if (!c.newFile) {
            ASSERT_TRUE(appender.append(A, line(1), end)) << c.story;
        }
        file.cutTo = c.cutTo;
        file.shortSucceeds = c.shortSucceeds;
        file.truncateFails = c.truncateFails;
        file.sizeFailsAfterCut = c.sizeFails;
        EXPECT_FALSE(appender.append(A, line(2), end)) << c.story;
        EXPECT_EQ(appender.openPath(), "") << c.story; // a failure lets go of the file
        file.truncateFails = file.sizeFails = false;
        ASSERT_TRUE(appender.append(A, line(2), end)) << c.story;
        EXPECT_EQ(file.files[A], before + line(2)) << c.story;
    }
}

TEST(JournalBacklog, BeyondTheLimitTheOldestGoButNeverTheOneBeingWritten) {
    JournalBacklog backlog;
    for (size_t i = 0; i < JOURNAL_PENDING_LIMIT; ++i) {
        backlog.push({A, 0, line(static_cast<int>(i))});
    }
    EXPECT_EQ(backlog.take().line, line(0));
    for (int i = 0; i < 5; ++i) {
        backlog.push({A, 0, "new"});
    }
    EXPECT_EQ(backlog.size(), JOURNAL_PENDING_LIMIT);
    backlog.written(100);
    // 1 to 5 are gone; 0 was being written and is in the file.
    EXPECT_EQ(backlog.take().line, line(6));
}

// Each episode of waiting is told once, with its own counts: a second outage that lost
// nothing says nothing of the first one's losses.
TEST(JournalBacklog, EachEpisodeOfWaitingIsToldOnceWithItsOwnCounts) {
    JournalBacklog backlog;
    JournalCaughtUp told;
    auto writeAll = [&] {
        while (!backlog.empty()) {
            backlog.take();
            backlog.written(0);
        }
    };
    backlog.push({A, 0, line(0)});
    writeAll();
    EXPECT_FALSE(backlog.caughtUp(told)); // nothing waited

    for (size_t i = 0; i < JOURNAL_PENDING_LIMIT + 5; ++i) {
        backlog.push({A, 0, line(1)});
        if (i == 0) {
            backlog.take();
            backlog.failed("Das Netzwerk ist nicht erreichbar");
        }
    }
    EXPECT_EQ(backlog.trouble().path, A);
    EXPECT_EQ(backlog.trouble().reason, "Das Netzwerk ist nicht erreichbar");
    backlog.take();
    backlog.written(0); // writing works again: the trouble is over, the waiting not yet
    EXPECT_FALSE(backlog.trouble().failing);
    EXPECT_FALSE(backlog.caughtUp(told));
    writeAll();
    ASSERT_TRUE(backlog.caughtUp(told));
    EXPECT_EQ(told.writtenLate, JOURNAL_PENDING_LIMIT);
    EXPECT_EQ(told.lost, 5u);
    EXPECT_FALSE(backlog.caughtUp(told)); // once

    // A path that did not fit is empty: its failure is one all the same.
    backlog.push({"", 0, line(2)});
    for (int i = 0; i < 2; ++i) {
        backlog.push({A, 0, line(2)});
    }
    backlog.take();
    backlog.failed("Zugriff verweigert");
    EXPECT_TRUE(backlog.trouble().failing);
    writeAll();
    ASSERT_TRUE(backlog.caughtUp(told));
    EXPECT_EQ(told.writtenLate, 3u);
    EXPECT_EQ(told.lost, 0u);
}

// What a reader of today's file takes from the file and from the backlog: each line once,
// the one being written among the waiting.
TEST(JournalBacklog, AReaderSeesTheWrittenEndAndTheWaitingLinesOfItsFile) {
    JournalBacklog backlog;
    EXPECT_EQ(backlog.writtenEnd(A), -1);
    backlog.push({A, 0, line(1)});
    backlog.push({B, 1, line(2)});
    backlog.push({A, 0, line(3)});
    backlog.take();
    EXPECT_EQ(backlog.writtenEnd(A), -1);
    EXPECT_EQ(backlog.waitingFor(A), (std::vector<std::string>{line(1), line(3)}));
    backlog.written(250);
    EXPECT_EQ(backlog.writtenEnd(A), 250);
    EXPECT_EQ(backlog.writtenEnd(B), -1);
    EXPECT_EQ(backlog.waitingFor(A), (std::vector<std::string>{line(3)}));
}

// What the journal window and "Kopie öffnen" show of today: each line once, never half a line,
// always under the file's head.
TEST(JournalBacklog, AReaderGetsEachLineOnceAndWhole) {
    struct Case {
        const char* story;
        std::string file;
        bool endKnown;
        std::vector<std::string> waiting;
        std::string expected;
    };
    const std::string part = line(2).substr(0, 12);
    const Case cases[] = {
        {"no file yet", "", false, {line(1)}, HEAD + line(1)},
        {"not a journal file", "a;b\r\n", false, {line(1)}, HEAD + line(1)},
        {"a line being written", HEAD + line(1) + part, true, {line(2)}, HEAD + line(1) + line(2)},
        {"the first line written while the file was read",
         HEAD + line(1) + line(2),
         false,
         {line(2), line(3)},
         HEAD + line(1) + line(2) + line(3)},
        {"two written meanwhile",
         HEAD + line(2) + line(3),
         false,
         {line(2), line(3), line(4)},
         HEAD + line(2) + line(3) + line(4)},
        {"the same line twice, the end known",
         HEAD + line(2),
         true,
         {line(2)},
         HEAD + line(2) + line(2)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(writtenAndWaiting(c.file, c.endKnown, c.waiting), c.expected) << c.story;
    }
}

// A share that hangs holds up the writer only: the lines keep coming and wait in order.
TEST(JournalWriterThread, AHangingFileHoldsUpNoOneAndTheLinesFollowInOrder) {
    auto file = std::make_shared<MemoryFile>();
    file->hold(true);
    JournalWriterThread writer(std::make_unique<SharedFile>(file), [] { return test::T0; });
    writer.add(A, 0, line(1));
    file->waitForWrites(1); // the writer is inside the write now
    for (int i = 2; i <= 5; ++i) {
        writer.add(A, 0, line(i));
    }
    EXPECT_EQ(writer.state().waiting, 5u);
    EXPECT_FALSE(writer.state().trouble.failing); // hanging is not failing
    file->hold(false);
    EXPECT_TRUE(writer.finish(60000));
    EXPECT_EQ(file->file(A), HEAD + line(1) + line(2) + line(3) + line(4) + line(5));
    EXPECT_EQ(file->openPath, ""); // the run's end closes the file
}

// A folder that fails: the trouble is told, the line is tried again, and once all is written
// the episode is told once and the trouble is gone.
TEST(JournalWriterThread, AFailedLineIsTriedAgainUntilItIsWritten) {
    auto file = std::make_shared<MemoryFile>();
    file->setFailing(true);
    JournalWriterThread writer(
        std::make_unique<SharedFile>(file), [] { return test::T0; }, 1);
    for (int i = 1; i <= 3; ++i) {
        writer.add(A, 0, line(i));
    }
    JournalWriterState state;
    ASSERT_TRUE(eventually([&] { return (state = writer.state()).trouble.failing; }));
    EXPECT_EQ(state.trouble.path, A);
    EXPECT_EQ(state.trouble.reason, "Das Netzwerk ist nicht erreichbar");
    EXPECT_EQ(state.waiting, 3u);
    file->setFailing(false);
    ASSERT_TRUE(eventually([&] { return (state = writer.state()).caughtUp; }));
    EXPECT_EQ(state.episode.writtenLate, 3u);
    EXPECT_FALSE(state.trouble.failing);
    EXPECT_FALSE(writer.state().caughtUp);
    EXPECT_EQ(file->file(A), HEAD + line(1) + line(2) + line(3));
}

// The run's end waits only so long for a write that hangs; the line still reaches the file
// when the write returns, and the file is closed then.
TEST(JournalWriterThread, TheEndGivesUpWaitingButTheLineIsWrittenWhenTheFileWakes) {
    auto file = std::make_shared<MemoryFile>();
    file->hold(true);
    {
        JournalWriterThread writer(std::make_unique<SharedFile>(file), [] { return test::T0; });
        writer.add(A, 0, line(1));
        file->waitForWrites(1);
        EXPECT_FALSE(writer.finish(20));
        writer.add(A, 0, line(2)); // after the end: goes nowhere
    }
    file->hold(false);
    ASSERT_TRUE(eventually([&] {
        std::lock_guard<std::mutex> lock(file->mutex);
        return file->closes == 1;
    }));
    EXPECT_EQ(file->file(A), HEAD + line(1));
}

// The day's file is let go of when its UTC day ends, though no line of the next day came.
TEST(JournalWriterThread, TheDaysFileClosesWhenItsDayEnds) {
    const int64_t day = test::T0 / JOURNAL_MS_PER_DAY;
    std::atomic<int64_t> now{(day + 1) * JOURNAL_MS_PER_DAY - 30};
    auto file = std::make_shared<MemoryFile>();
    JournalWriterThread writer(std::make_unique<SharedFile>(file), [&] { return now.load(); });
    writer.add(A, day, line(1));
    ASSERT_TRUE(eventually([&] { return writer.state().waiting == 0; }));
    {
        std::lock_guard<std::mutex> lock(file->mutex);
        EXPECT_EQ(file->openPath, A); // open while its day lasts
    }
    now = (day + 1) * JOURNAL_MS_PER_DAY + 5;
    ASSERT_TRUE(eventually([&] {
        std::lock_guard<std::mutex> lock(file->mutex);
        return file->closes == 1;
    }));
    EXPECT_EQ(file->file(A), HEAD + line(1));
}

} // namespace trx
