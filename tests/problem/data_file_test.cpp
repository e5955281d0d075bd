#include "problem/data_file.h"
#include "tests/temp_folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "problem/errors.h"
#include "problem/number_text.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

using testing::TempFolder;

DataRow row_of(int i) {
    const auto base = static_cast<float>(i);
    return {base, base * 0.5F, -base, base + 0.25F};
}

std::string line_of(int i, const std::string& separator = " ") {
    const DataRow row = row_of(i);
    return cell_text(row[0]) + separator + cell_text(row[1]) + separator + cell_text(row[2]) +
           separator + cell_text(row[3]);
}

// Records row_of(0..count-1) with the given separator and line break.
std::string make_text(int count, const std::string& separator, const std::string& line_break,
                      bool final_break) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += line_of(i, separator) + (i + 1 < count || final_break ? line_break : "");
    }
    return text;
}

std::vector<DataRow> expected_rows(int count) {
    std::vector<DataRow> rows;
    for (int i = 0; i < count; ++i) {
        rows.push_back(row_of(i));
    }
    return rows;
}

TEST(DataFile, AcceptsEveryLineLayout) {
    const std::string bom = "\xEF\xBB\xBF";
    const struct {
        const char* name;
        std::string text;
        int rows;
    } cases[] = {
        {"tabs, final break", make_text(120, "\t", "\n", true), 120},
        {"tabs, no final break", make_text(120, "\t", "\n", false), 120},
        {"runs of blanks", make_text(5, "  \t ", "\n", true), 5},
        {"CRLF", make_text(5, " ", "\r\n", true), 5},
        {"CRLF, no final break", make_text(5, " ", "\r\n", false), 5},
        {"lone CR", make_text(5, " ", "\r", true), 5},
        {"byte-order mark", bom + make_text(3, "\t", "\n", true), 3},
        {"empty and blank lines",
         "\n \t\r\n" + line_of(0) + "\n\n  \n" + line_of(1) + "\r\n\t\r\n" + line_of(2) + "\n\n",
         3},
        {"leading and trailing blanks", "  0 0 -0 0.25\t \n", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parse_data_text(c.text, "data.txt"), expected_rows(c.rows));
    }
}

TEST(DataFile, ReadsNumbersByTheParserRules) {
    const auto rows = parse_data_text("-1.5 +2e3 .5 1.\n1e-45 3.4028235e38 -0 7\n", "d");
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0], (DataRow{-1.5F, 2000.0F, 0.5F, 1.0F}));
    // The smallest float (a denormal) is kept, not flushed or refused.
    EXPECT_EQ(rows[1][0], std::numeric_limits<float>::denorm_min());
    EXPECT_EQ(rows[1][1], std::numeric_limits<float>::max());
}

TEST(DataFile, RefusalsNameTheLineAndTheProblem) {
    const std::string ok = "1 2 3 4\n";
    const std::string longest = "1 2 3" + std::string(249, ' ') + "4";  // 255 characters
    const struct {
        std::string text;
        std::int64_t line;
        std::string message;
    } cases[] = {
        {"", 0, "data.txt: the file is empty."},
        {"\xEF\xBB\xBF", 0, "data.txt: the file is empty."},
        {"\n \t\r\n\r\n", 0, "data.txt: the file holds no records, only blank lines."},
        {ok + ok + "1 2 3\n", 3, "data.txt, line 3: expected 4 numbers, found 3."},
        {"1 2\n3 4\n", 1, "data.txt, line 1: expected 4 numbers, found 2."},
        {ok + "1 2 3 4 5", 2, "data.txt, line 2: expected 4 numbers, found 5."},
        {ok + "1,5 2 3 4\n", 2, "data.txt, line 2: \"1,5\" is not a number."},
        {"x1 y1 x2 y2\n" + ok, 1, "data.txt, line 1: \"x1\" is not a number."},
        {ok + "1 nan 3 4\n", 2, "data.txt, line 2: \"nan\" is not a number."},
        {ok + "1 2 inf 4\n", 2, "data.txt, line 2: \"inf\" is not a number."},
        {ok + std::string("1 2\0 3 4\n", 9), 2, "data.txt, line 2: \"2?\" is not a number."},
        {ok + "1 2 \x01\xff 4\n", 2, "data.txt, line 2: \"??\" is not a number."},
        {ok + "1 2 3 1e39\n", 2,
         "data.txt, line 2: value \"1e39\" is outside the 32-bit float range."},
        {"1e400 2 3 4\n", 1,
         "data.txt, line 1: value \"1e400\" is outside the 32-bit float range."},
        // Too small for a float: the parser reports it as out of range.
        {"1e-50 2 3 4\n", 1,
         "data.txt, line 1: value \"1e-50\" is outside the 32-bit float range."},
        {"1 2 3 4\r\n\r\n1 2 3 x\r\n", 3, "data.txt, line 3: \"x\" is not a number."},
        {ok + longest + "\r\n" + longest + " \n", 3,
         "data.txt, line 3: the line is longer than 255 characters."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        try {
            static_cast<void>(parse_data_text(c.text, "data.txt"));
            ADD_FAILURE() << "accepted";
        } catch (const DataFileError& error) {
            EXPECT_EQ(error.file(), "data.txt");
            EXPECT_EQ(error.line(), c.line);
            EXPECT_STREQ(error.what(), c.message.c_str());
        }
    }
}

TEST(DataFile, ReadsAFileAndNamesItInErrors) {
    const TempFolder folder;
    const std::string text = make_text(120, "\t", "\r\n", true);
    const fs::path good = folder.write("good.txt", text);
    EXPECT_EQ(read_data_file(good), expected_rows(120));

    const fs::path bad = folder.write("bad.txt", "1 2 3 4\n1 2 3\n");
    const fs::path missing = folder.path / "missing.txt";
    const struct {
        fs::path path;
        std::int64_t line;
        std::string problem;
    } cases[] = {
        {bad, 2, ", line 2: expected 4 numbers, found 3."},
        {missing, 0, ": cannot be opened."},
        {folder.path, 0, ": cannot be opened."},
    };
    for (const auto& c : cases) {
        try {
            static_cast<void>(read_data_file(c.path));
            ADD_FAILURE() << c.path << " accepted";
        } catch (const DataFileError& error) {
            EXPECT_EQ(error.file(), c.path.string());
            EXPECT_EQ(error.line(), c.line);
            EXPECT_EQ(error.what(), c.path.string() + c.problem);
        }
    }
}

// What the reader makes of a text: its rows, or its refusal.
std::string outcome(const std::function<std::vector<DataRow>()>& read) {
    try {
        std::string rows;
        for (const DataRow& row : read()) {
            for (const float value : row) {
                rows += cell_text(value) + " ";
            }
            rows += ";";
        }
        return rows;
    } catch (const DataFileError& error) {
        return error.what();
    }
}

// Pipes and reads hand the reader pieces of any size; a byte-order mark or a
// CRLF split between two pieces reads as in one.
TEST(DataFile, PiecesOfAnySizeReadAsTheWhole) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string texts[] = {
        bom + make_text(4, "\t", "\r\n", false),
        make_text(4, " ", "\r", true) + "\n\r\n" + line_of(9),
        "\xEF\xBB",
        "\xEF\xBB" + line_of(1),
        bom,
        bom + bom + line_of(1),
        "\r\n\r\n \t",
        line_of(1) + "\r\n1 2 3\r\n",
        line_of(1) + "\n" + std::string(300, '5'),
        bom + std::string(255, ' ') + "\r\n" + line_of(2),
    };
    for (const std::string& text : texts) {
        const std::string whole = outcome([&] { return parse_data_text(text, "d"); });
        for (std::size_t piece : {1, 2, 3, 5, 64}) {
            SCOPED_TRACE(text.substr(0, 40) + " in pieces of " + std::to_string(piece));
            const std::string pieces = outcome([&] {
                DataTextReader reader("d");
                for (std::size_t pos = 0; pos < text.size(); pos += piece) {
                    reader.feed(std::string_view(text).substr(pos, piece));
                }
                return reader.finish();
            });
            EXPECT_EQ(pieces, whole);
        }
    }
}

// A named pipe holding `content` whose writing end stays open, as a file that
// is still being written. A reader that waits for the end of the file is set
// free after a long while, and that is recorded.
class HeldPipe {
public:
    HeldPipe(const fs::path& path, const std::string& content) : path_(path) {
        if (::mkfifo(path.c_str(), 0600) != 0) {
            throw std::runtime_error("mkfifo failed");
        }
        // Read and write, so that opening does not wait and a closed reader
        // never makes a write fail.
        fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0 ||
            ::write(fd_, content.data(), content.size()) != static_cast<ssize_t>(content.size())) {
            throw std::runtime_error("cannot fill the pipe");
        }
        watchdog_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            if (!done_.wait_for(lock, std::chrono::seconds(10), [this] { return reader_done_; })) {
                let_go_ = true;
                close_writer();
            }
        });
    }
    HeldPipe(const HeldPipe&) = delete;
    HeldPipe& operator=(const HeldPipe&) = delete;
    ~HeldPipe() {
        reader_returned();
        close_writer();
        std::error_code ignored;
        fs::remove(path_, ignored);
    }

    // Returns whether the reader had to be set free.
    bool reader_returned() {
        {
            const std::lock_guard lock(mutex_);
            reader_done_ = true;
        }
        done_.notify_all();
        if (watchdog_.joinable()) {
            watchdog_.join();
        }
        return let_go_;
    }

private:
    void close_writer() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    fs::path path_;
    int fd_ = -1;
    std::mutex mutex_;
    std::condition_variable done_;
    bool reader_done_ = false;
    bool let_go_ = false;
    std::thread watchdog_;
};

// The first bad line ends the reading: nothing after it is waited for, and a
// line is refused at its 256th character.
TEST(DataFile, StopsAtTheFirstBadLineWithoutReadingOn) {
    const TempFolder folder;
    const std::string ok = "1 2 3 4\n";
    const struct {
        const char* what;
        std::string content;
        std::int64_t line;
        std::string problem;
    } cases[] = {
        {"a bad record", ok + "1 2 3 4\r\n\r\n1 2 x 4\n", 4, "\"x\" is not a number."},
        {"a header", "x1 y1 x2 y2\n", 1, "\"x1\" is not a number."},
        {"a NUL byte on the first line", std::string("1 2\0 3 4\n", 9), 1,
         "\"2?\" is not a number."},
        {"a short record", ok + "1 2 3\r", 2, "expected 4 numbers, found 3."},
        {"256 characters", ok + std::string(256, '1'), 2,
         "the line is longer than 255 characters."},
        {"256 NUL bytes", std::string(256, '\0'), 1, "the line is longer than 255 characters."},
        {"a mark and 256 characters", "\xEF\xBB\xBF" + std::string(256, ' '), 1,
         "the line is longer than 255 characters."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path path = folder.path / "pipe";
        HeldPipe pipe(path, c.content);
        std::string refusal = "accepted";
        std::int64_t line = -1;
        try {
            static_cast<void>(read_data_file(path));
        } catch (const DataFileError& error) {
            refusal = error.what();
            line = error.line();
        }
        EXPECT_FALSE(pipe.reader_returned()) << "the reader waited for the end of the file";
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(refusal, path.string() + ", line " + std::to_string(c.line) + ": " + c.problem);
    }
}

TEST(DataFile, EndlessAndHugeInputsAreRefusedAtTheirFirstLine) {
    const TempFolder folder;
    const fs::path one_line = folder.write("one_line.txt", std::string(10'000'000, '7') + "\n");
    for (const fs::path& path : {fs::path("/dev/zero"), one_line}) {
        try {
            static_cast<void>(read_data_file(path));
            ADD_FAILURE() << path << " accepted";
        } catch (const DataFileError& error) {
            EXPECT_EQ(error.what(),
                      path.string() + ", line 1: the line is longer than 255 characters.");
        }
    }
    // Random bytes break a rule within their first line or two.
    try {
        static_cast<void>(read_data_file("/dev/urandom"));
        ADD_FAILURE() << "random bytes accepted";
    } catch (const DataFileError& error) {
        EXPECT_GE(error.line(), 1);
    }
}

// The file is read in pieces; a CRLF split between two of them is one break.
TEST(DataFile, ALineBreakAcrossTwoReadsIsOneBreak) {
    const TempFolder folder;
    // Eight blank lines put the CR of the 7281st record at byte 65535.
    std::string text(8, '\n');
    for (int i = 0; i < 7300; ++i) {
        text += "1 2 3 4\r\n";
    }
    ASSERT_EQ(text.substr(65535, 2), "\r\n");
    text += "1 2 3\n";
    try {
        static_cast<void>(read_data_file(folder.write("split.txt", text)));
        ADD_FAILURE() << "accepted";
    } catch (const DataFileError& error) {
        EXPECT_EQ(error.line(), 8 + 7300 + 1);
    }
}

TEST(DataFile, CellTextsRoundToSixDigits) {
    const std::vector<DataRow> rows = {{1.2345678F, 0.1F, -2.0F, 1234567.0F}};
    const std::vector<CellRow> cells = cell_texts(rows);
    ASSERT_EQ(cells.size(), 1U);
    EXPECT_EQ(cells[0], (CellRow{"1.23457", "0.1", "-2", "1.23457E6"}));
    EXPECT_EQ(parse_real(cells[0][0]), 1.23457);
    EXPECT_EQ(parse_real(cells[0][3]), 1234570.0);
}

}  // namespace
}  // namespace vorn
