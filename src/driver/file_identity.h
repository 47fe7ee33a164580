#ifndef VELKOR_DRIVER_FILE_IDENTITY_H
#define VELKOR_DRIVER_FILE_IDENTITY_H

#include <sys/types.h>

#include <cstdio>
#include <string>

// Device and inode of an existing regular file. Two names (links, relative
// and absolute paths) denote the same file exactly when these agree.
struct FileIdentity {
  bool regular_file = false;
  dev_t device = 0;
  ino_t inode = 0;
};

FileIdentity identify_file(const std::string& name);
FileIdentity identify_stream(FILE* stream);

// True when both are the same existing regular file.
bool same_file(const FileIdentity& a, const FileIdentity& b);

#endif
