// Replays the kept hostile inputs of one harness through its body (in the ordinary test build).
#pragma once

#include "fuzz_common.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>

namespace fuzz
{

using harness_body = std::string (*)(const std::uint8_t *, std::size_t);

inline std::vector<std::string> files_in(const std::string &dir)
{
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (const dirent *e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string file_text(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every regression input of the harness (tests/fuzz/regressions/<harness>/<name>) must run to
// its end with a message that contains the text of <name>.expect (one line, the trailing line
// end ignored). An input without its .expect file fails; with FUZZ_WRITE_EXPECT=1 in the
// environment the message is written to it instead, for review in a commit of its own.
// Returns the number of inputs replayed.
inline int replay_regressions(const std::string &harness, harness_body body)
{
    const std::string dir = std::string(FUZZ_DIR) + "/regressions/" + harness;
    int replayed = 0;
    for (const std::string &name : files_in(dir)) {
        if (name.size() > 7 && name.compare(name.size() - 7, 7, ".expect") == 0) continue;
        const std::string input = file_text(dir + "/" + name);
        const std::string message =
            body(reinterpret_cast<const std::uint8_t *>(input.data()), input.size());
        const std::string expect_path = dir + "/" + name + ".expect";
        std::string expect = file_text(expect_path);
        while (!expect.empty() && (expect.back() == '\n' || expect.back() == '\r'))
            expect.pop_back();
        const char *write = std::getenv("FUZZ_WRITE_EXPECT");
        if (expect.empty() && write && std::string(write) == "1") {
            std::ofstream(expect_path) << message << "\n";
            expect = message;
        }
        EXPECT_FALSE(expect.empty()) << harness << "/" << name << " has no .expect file";
        EXPECT_NE(message.find(expect), std::string::npos)
            << harness << "/" << name << ": message was [" << message << "], expected it to "
            << "contain [" << expect << "]";
        ++replayed;
    }
    return replayed;
}

// The seed corpus of the harness must run through without a fault (messages are not checked).
inline int replay_corpus(const std::string &harness, harness_body body)
{
    const std::string dir = std::string(FUZZ_DIR) + "/corpus/" + harness;
    int replayed = 0;
    for (const std::string &name : files_in(dir)) {
        const std::string input = file_text(dir + "/" + name);
        body(reinterpret_cast<const std::uint8_t *>(input.data()), input.size());
        ++replayed;
    }
    return replayed;
}

} // namespace fuzz
