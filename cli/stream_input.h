#pragma once

#include <cstddef>
#include <string>

// Inputs that are not regular files: "-" for standard input, pipes, process substitutions
// (<(...)), /dev/stdin and terminals. The window's reader opens regular files only; a stream is
// read whole into memory and handed to the same reader.

// Bytes of a stream read at most. The reader takes 200 numbers and the import check a megabyte
// after them, so a data stream never comes near; a device that never ends (/dev/zero, `yes`)
// stops here.
inline constexpr std::size_t kStreamLimit = 64u << 20;

// True for "-" and for a path that names anything but a regular file or a directory. A path that
// cannot be looked at is not a stream: the reader's open says why.
bool IsStreamInput(const std::string& path);

// True for "-", /dev/stdin and /dev/fd/N (process substitution, <(...)): this process's own
// descriptors, which the table reader reads as streams; any other path that is no regular file
// it refuses.
bool IsOwnStream(const std::string& path);

// The bytes of the stream, up to limit (kStreamLimit by default). Raises RunTimeFault (InputOutput)
// naming it when it cannot be opened or read.
// untilNul: stops after the first NUL byte of bytes that do not start with a UTF-16 mark.
std::string ReadStreamInput(const std::string& path,
                            std::size_t limit = kStreamLimit,
                            bool untilNul = false);
