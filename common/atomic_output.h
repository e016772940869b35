// Output files that appear under their names only when complete (temporary name, then rename).
#pragma once

#include <cstdio>
#include <string>

// A file written under a temporary name beside its final name and renamed onto it only when
// everything reached the disk: an interrupted or failed run leaves the previous complete file
// (or none), never a truncated one that looks complete.
class atomic_file
{
  public:
    atomic_file() = default;
    atomic_file(const atomic_file &) = delete;
    atomic_file &operator=(const atomic_file &) = delete;
    ~atomic_file() { abandon(); }

    // Creates the temporary file "<name>.tmpXXXXXX" in the same directory (so the rename cannot
    // cross file systems), its last path component shortened where needed to stay within the
    // file system's 255-byte limit, with the permissions a plain fopen would give. A name that
    // exists and is no regular file (device, pipe, symbolic link) is opened and written in
    // place. False when the file cannot be created.
    bool open(const std::string &name);
    // The stream to write to while the file is open.
    std::FILE *stream() const { return file_; }
    // Flushes, syncs and closes the temporary file and renames it onto the final name. False
    // (temporary removed, final name untouched) on any write, sync, close or rename error.
    bool commit();
    // Closes and removes the temporary file; the final name is untouched.
    void abandon();
    // The temporary name of the open file (empty when written in place or not open).
    const std::string &temporary_name() const { return temp_name_; }

  private:
    std::FILE *file_ = nullptr;
    std::string final_name_, temp_name_;
};

// The mkstemp pattern of the temporary file of name: the same directory, the last component
// cut so that it and the ".tmpXXXXXX" suffix fit in 255 bytes.
std::string temporary_pattern(const std::string &name);

// Appends text to the file name with one write call, so that lines appended by several runs
// never interleave and an interruption leaves either the whole text or none of it (a short
// write on a full disk is cut off again). False when the file cannot be opened or the write is
// short.
bool append_in_one_write(const std::string &name, const std::string &text);
