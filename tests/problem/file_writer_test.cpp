#include "problem/file_writer.h"
#include "tests/temp_folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace vorn {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

std::string read_file(const fs::path& path) {
    std::stringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

// The message of the FileWriteError that `action` throws; none if it throws none.
std::optional<Message> write_refusal(const std::function<void()>& action) {
    try {
        action();
    } catch (const FileWriteError& error) {
        return error.message();
    }
    return std::nullopt;
}

mode_t mode_of(const fs::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST(FileWriter, WritesThroughATemporaryAndRenamesItOverTheTarget) {
    const TempFolder folder;
    const fs::path target = folder.path / "out.csv";
    write_file(target, "first\n", {});
    EXPECT_EQ(read_file(target), "first\n");
    const mode_t umask_now = ::umask(022);
    ::umask(umask_now);
    EXPECT_EQ(mode_of(target), 0666 & ~umask_now);

    // A replaced file keeps its mode and its old contents go whole.
    fs::permissions(target, fs::perms(0640));
    write_file(target, "second\n", {});
    EXPECT_EQ(read_file(target), "second\n");
    EXPECT_EQ(mode_of(target), 0640U);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"out.csv"});  // no temporary left
}

TEST(FileWriter, AnUncommittedWriterLeavesTheTargetAlone) {
    const TempFolder folder;
    const fs::path target = folder.write("out.csv", "old\n");
    {
        FileWriter writer(target, {});
        writer.write("new, but never finished\n");
        EXPECT_EQ(writer.written_path().parent_path(), folder.path);
        EXPECT_FALSE(writer.writes_directly());
    }
    EXPECT_EQ(read_file(target), "old\n");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"out.csv"});
}

// Two writers of one target (two runs with the same --csv) each keep their
// rows in a file of their own, and each commit renames only its own.
TEST(FileWriter, KeptRowsStayInAPartialFileOfTheirOwnUntilCommit) {
    const TempFolder folder;
    const fs::path target = folder.write("run.csv", "old\n");
    (void)folder.write("run.csv.partial", "a stale partial file\n");
    const std::string own_prefix = "run.csv.partial-" + std::to_string(::getpid()) + "-";
    fs::path stopped;
    {
        FileWriter first(target, {}, Unfinished::kept);
        FileWriter second(target, {}, Unfinished::kept);
        ASSERT_NE(first.written_path(), second.written_path());
        for (const FileWriter* writer : {&first, &second}) {
            EXPECT_EQ(writer->written_path().parent_path(), folder.path);
            EXPECT_TRUE(writer->written_path().filename().string().starts_with(own_prefix));
        }
        first.write("header\n1\n");
        second.write("header\n2\n");
        // Each write is in the file at once, nothing waits in a buffer.
        EXPECT_EQ(read_file(second.written_path()), "header\n2\n");
        first.commit();
        stopped = second.written_path();
    }
    EXPECT_EQ(read_file(target), "header\n1\n");
    EXPECT_EQ(read_file(stopped), "header\n2\n");
    EXPECT_EQ(read_file(folder.path / "run.csv.partial"), "a stale partial file\n");
    EXPECT_EQ(folder.names().size(), 3U);
}

TEST(FileWriter, ASymlinkInTheTargetsPlaceIsReplacedNotFollowed) {
    const TempFolder folder;
    const fs::path elsewhere = folder.write("elsewhere.txt", "precious\n");
    fs::create_symlink(elsewhere, folder.path / "record");
    write_file(folder.path / "record", "record\n", {});
    EXPECT_EQ(read_file(elsewhere), "precious\n");
    EXPECT_FALSE(fs::is_symlink(folder.path / "record"));
    EXPECT_EQ(read_file(folder.path / "record"), "record\n");
}

TEST(FileWriter, ATargetThatIsAnInputIsRefusedAndNothingIsWritten) {
    const TempFolder folder;
    const fs::path data = folder.write("data.txt", "1 2 3 4\n");
    const fs::path other = folder.write("other.txt", "5 6 7 8\n");
    fs::create_symlink(data, folder.path / "link");
    fs::create_hard_link(other, folder.path / "hard");
    fs::create_directories(folder.path / "sub");
    const std::vector<fs::path> inputs = {folder.path / "missing.txt", data, other};
    struct Case {
        fs::path target;
        Unfinished unfinished;
        fs::path named;  // the file the message names
        fs::path input;
    };
    const Case cases[] = {
        {data, Unfinished::removed, data, data},
        {data, Unfinished::kept, data, data},
        {folder.path / "link", Unfinished::removed, folder.path / "link", data},
        {folder.path / "hard", Unfinished::removed, folder.path / "hard", other},
        {folder.path / "sub/../other.txt", Unfinished::kept, folder.path / "sub/../other.txt",
         other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.string());
        const auto names = folder.names();
        const auto message =
            write_refusal([&] { FileWriter writer(c.target, inputs, c.unfinished); });
        ASSERT_TRUE(message);
        EXPECT_EQ(message->id, MessageId::file_is_input);
        EXPECT_EQ(message->text, c.named.string() +
                                     ": cannot be written, it is the same file as the input " +
                                     c.input.string() + ".");
        EXPECT_EQ(folder.names(), names);
        EXPECT_EQ(read_file(data), "1 2 3 4\n");
        EXPECT_EQ(read_file(other), "5 6 7 8\n");
    }
}

TEST(FileWriter, ATargetThatIsNoRegularFileIsWrittenDirectly) {
    const TempFolder folder;
    const fs::path fifo = folder.path / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = read_file(fifo); });
    {
        FileWriter writer(fifo, {});
        EXPECT_TRUE(writer.writes_directly());
        writer.write("through the fifo\n");
        writer.commit();
    }
    reader.join();
    EXPECT_EQ(received, "through the fifo\n");
    EXPECT_TRUE(fs::is_fifo(fifo));

    write_file("/dev/null", "gone\n", {});
}

TEST(FileWriter, FailuresNameTheFileAndTheReason) {
    const TempFolder folder;
    fs::create_directories(folder.path / "folder");
    struct Case {
        std::function<void()> action;
        std::string text;
    };
    const Case cases[] = {
        {[&] { write_file(folder.path / "no/such/out.csv", "x", {}); },
         (folder.path / "no/such/out.csv").string() +
             ": cannot be written (No such file or directory)."},
        {[&] { write_file(folder.path / "folder", "x", {}); },
         (folder.path / "folder").string() + ": cannot be written (Is a directory)."},
        {[&] { write_file("/dev/full", "x", {}); },
         "/dev/full: cannot be written (No space left on device)."},
        {[&] { FileWriter writer(folder.path / "no/such/run.csv", {}, Unfinished::kept); },
         (folder.path / "no/such/run.csv").string() +
             ": cannot be written (No such file or directory)."},
    };
    for (const Case& c : cases) {
        const auto message = write_refusal(c.action);
        ASSERT_TRUE(message) << c.text;
        EXPECT_EQ(message->id, MessageId::file_not_written);
        EXPECT_EQ(message->text, c.text);
    }
    EXPECT_EQ(folder.names(), std::vector<std::string>{"folder"});
}

}  // namespace
}  // namespace vorn
