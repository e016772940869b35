// Helpers shared by the fuzz harnesses and their replay tests: input splitting, scratch files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fuzz
{

// Parts of one fuzz input that carries several files: they are separated by this line.
constexpr char file_separator[] = "\n#@#\n";

// Splits the input at file_separator into at most max_parts parts (the last part keeps any
// further separators).
inline std::vector<std::string> split_files(const std::uint8_t *data, std::size_t size,
                                            std::size_t max_parts)
{
    const std::string all(reinterpret_cast<const char *>(data), size);
    const std::string sep(file_separator);
    std::vector<std::string> parts;
    std::size_t from = 0;
    while (parts.size() + 1 < max_parts) {
        const std::size_t at = all.find(sep, from);
        if (at == std::string::npos) break;
        parts.push_back(all.substr(from, at - from));
        from = at + sep.size();
    }
    parts.push_back(all.substr(from));
    return parts;
}

// Splits the input into command-line words at NUL and newline bytes; at most max_words words.
// argv[0] is the program name; the vector of pointers stays valid while the words live.
struct command_line {
    std::vector<std::string> words;
    std::vector<char *> argv;

    command_line(const char *program, const std::uint8_t *data, std::size_t size,
                 std::size_t max_words)
    {
        words.push_back(program);
        std::string w;
        for (std::size_t i = 0; i <= size && words.size() < max_words; ++i) {
            if (i == size || data[i] == '\0' || data[i] == '\n') {
                words.push_back(w);
                w.clear();
            } else {
                w.push_back(static_cast<char>(data[i]));
            }
        }
        for (std::string &s : words) argv.push_back(s.data());
        argv.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(argv.size()) - 1; }
};

// A private scratch directory of this process under /tmp, made once (for files handed to
// readers that take names) and removed with everything in it when the process ends.
inline const std::string &scratch_dir()
{
    struct scratch {
        std::string dir;
        scratch()
        {
            char pattern[] = "/tmp/fuzz_scratch_XXXXXX";
            if (!mkdtemp(pattern)) std::abort();
            dir = pattern;
        }
        ~scratch()
        {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
    };
    static const scratch made;
    return made.dir;
}

// Writes text to path (replacing it); an absent part removes the file so that the reader sees
// a missing file.
inline void put_file(const std::string &path, const std::string *text)
{
    std::remove(path.c_str());
    if (!text) return;
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (!text->empty() && std::fwrite(text->data(), 1, text->size(), f) != text->size())
        std::abort();
    std::fclose(f);
}

// Growable in-memory stream for messages (open_memstream); text() after close().
struct message_stream {
    char *buf = nullptr;
    std::size_t len = 0;
    std::FILE *f = nullptr;

    message_stream() { f = open_memstream(&buf, &len); }
    ~message_stream()
    {
        if (f) std::fclose(f);
        std::free(buf);
    }
    std::string text()
    {
        if (f) std::fflush(f);
        return buf ? std::string(buf, len) : std::string();
    }
};

} // namespace fuzz

// Harness bodies: each runs one input through a reader (and what follows it on a small model)
// and returns the messages the programs print for it (empty when the input was accepted).
// (harness_list.h is made from harnesses.txt)
#define FUZZ_ENTRY(n) std::string fuzz_##n(const std::uint8_t *data, std::size_t size);
#include "harness_list.h"
#undef FUZZ_ENTRY
