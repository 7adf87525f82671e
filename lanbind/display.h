// The two read-only views of the bridge: the status display and the
// protocol statistics display.
#pragma once
#include <cstdio>

#include "bridge.h"

// Formatting of one snapshot; the callers' texts depend on every byte.
void show_bridge_info(FILE* out, const bridge_status& st);
void show_port_stats(FILE* out, const bridge_status& st);
void print_bridge_status(FILE* out, const bridge_status& st);
void print_protocol_stats(FILE* out, const bridge_status& st);

// Take a snapshot from the kernel and print it on standard output. When
// the kernel has no bridge they say so and return -1.
int show_bridge_status(int sock);
int show_protocol_stats(int sock);
