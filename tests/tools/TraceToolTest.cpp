// The trace program: records, determinism, and its answers to bad arguments and scripts.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

namespace {

struct TraceRun {
    int status;
    std::string out;
    std::string err;
};

TraceRun trace(const std::string& arguments) {
    const auto dir = std::filesystem::temp_directory_path();
    const std::string errPath = (dir / ("trace_err_" + std::to_string(::getpid()))).string();
    const std::string command = std::string(FLUID_TRACE_PROGRAM) + " " + arguments + " 2>" + errPath;
    TraceRun run{};
    FILE* pipe = ::popen(command.c_str(), "r");
    std::array<char, 65536> buffer;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) run.out.append(buffer.data(), n);
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream err(errPath);
    std::getline(err, run.err, '\0');
    std::filesystem::remove(errPath);
    return run;
}

std::string writeScript(const std::string& name, const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() / (name + std::to_string(::getpid()));
    std::ofstream(path) << text;
    return path.string();
}

int countLines(const std::string& text, const std::string& prefix) {
    int n = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        if (text.compare(at, prefix.size(), prefix) == 0) ++n;
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return n;
}

}  // namespace

TEST(TraceTool, PrintsRecordsAfterStartAndEveryKthFrame) {
    const TraceRun run = trace("--frames 5 --every 2");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(countLines(run.out, "state "), 4);  // 0, 2, 4 and the last, 5
    EXPECT_EQ(countLines(run.out, "p "), 4 * 2744);
    EXPECT_EQ(run.out.rfind("state 5 2744 14 0 ", 0) == std::string::npos, true);
    EXPECT_NE(run.out.find("\nstate 5 2744 14 0 "), std::string::npos);
    EXPECT_EQ(run.out.rfind("state 0 2744 14 0 00000000 00000000 0 0 00000000 00000000 00000000 00000000 ", 0), 0u);
    EXPECT_TRUE(run.err.empty());
}

TEST(TraceTool, SameCommandGivesTheSameBytes) {
    const std::string script =
        writeScript("keys", "# shake, obstacle and a restart\n0 0 S\n3 3 SPACE\n\n6 7 1 5\n");
    const TraceRun first = trace("--frames 10 --every 3 --keys " + script);
    const TraceRun second = trace("--frames 10 --every 3 --keys " + script);
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, second.out);
    EXPECT_NE(first.out.find("\nstate 10 9261 21 1 "), std::string::npos);
}

TEST(TraceTool, RejectsBadArgumentsAndScripts) {
    struct Case {
        std::string arguments;
        std::string scriptText;
        std::string messagePart;
    };
    const Case cases[] = {
        {"", "", "--frames"},
        {"--frames", "", "--frames"},
        {"--frames -1", "", "--frames"},
        {"--frames 2x", "", "--frames"},
        {"--frames 3 --every 0", "", "--every"},
        {"--frames 3 --bogus 1", "", "--bogus"},
        {"--frames 3 --keys /nonexistent/keys.txt", "", "/nonexistent/keys.txt"},
        {"--frames 3 --keys SCRIPT", "0 1 Q\n", "line 1"},
        {"--frames 3 --keys SCRIPT", "# fine\n0 1 S\nzero 1 S\n", "line 3"},
        {"--frames 3 --keys SCRIPT", "0 1\n", "line 1"},
        {"--frames 3 --keys SCRIPT", "5 2 S\n", "line 1"},
    };
    for (const Case& c : cases) {
        std::string arguments = c.arguments;
        if (const auto at = arguments.find("SCRIPT"); at != std::string::npos)
            arguments.replace(at, 6, writeScript("bad", c.scriptText));
        SCOPED_TRACE(arguments + " / " + c.scriptText);
        const TraceRun run = trace(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.empty());
        EXPECT_NE(run.err.find(c.messagePart), std::string::npos) << run.err;
        EXPECT_EQ(countLines(run.err, ""), 1) << run.err;
    }
}
