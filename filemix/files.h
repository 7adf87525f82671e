// The two operations on named files.
#pragma once

// Each returns 0 when done, 1 after a failure it reported on standard
// error, and -1 when the destination could not be written.
int encode(const char* src_path, const char* dst_path);
int decode(const char* src_path, const char* dst_path);
