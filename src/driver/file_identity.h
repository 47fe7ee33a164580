#ifndef VELKOR_DRIVER_FILE_IDENTITY_H
#define VELKOR_DRIVER_FILE_IDENTITY_H

#include <sys/types.h>

#include <cstdio>
#include <string>

// What a file name denotes, whatever path spells it: an existing regular
// file by device and inode, or a file yet to be created by its directory's
// device and inode and its own name. Anything else (devices, pipes, names
// that cannot be resolved) is unknown and never equal to anything.
struct FileIdentity {
  enum Kind { UNKNOWN, EXISTING_FILE, NEW_FILE } kind = UNKNOWN;
  dev_t device = 0;
  ino_t inode = 0;
  std::string new_name;
};

FileIdentity identify_file(const std::string& name);
FileIdentity identify_stream(FILE* stream);

bool same_file(const FileIdentity& a, const FileIdentity& b);

#endif
