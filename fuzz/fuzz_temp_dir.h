#ifndef VELKOR_FUZZ_TEMP_DIR_H
#define VELKOR_FUZZ_TEMP_DIR_H

#include <cstddef>
#include <string>

// The reader and the run work on files, so every input is written to a
// scratch directory of this process (in memory when /dev/shm exists), which
// is removed when the process ends.
const std::string& fuzz_temp_dir();

// Replaces the file's contents with the given bytes; aborts when it cannot,
// since a half-written input would make every finding meaningless.
void write_whole_file(const std::string& path, const void* data, std::size_t size);

// The whole contents of a file, empty when it does not exist.
std::string read_whole_file(const std::string& path);

#endif
