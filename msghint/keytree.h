// An index over the keyword list that finds the same record as trying
// every keyword in list order, without trying every keyword.
//
// Matching a keyword never backtracks: a literal character must equal the
// next text character, and a capture always runs to the first occurrence
// of its terminator. So every keyword is a fixed sequence of steps
// (literal c, or capture up to c), and keywords that begin with the same
// steps can share them in a tree. Walking the text through the tree visits
// every keyword that matches; the one earliest in the list wins.
#pragma once
#include "keyword.h"

// Builds the tree from key_first. Returns false when memory ran out; the
// list is then searched one keyword at a time.
bool buildkeytree();
void dropkeytree();
bool keytreebuilt();

// The first record in list order whose keyword matches text, with
// strtmpnum and strtmp set from it as matchkeyword would; nullptr if none.
const KeyCord* findkeycord(const char* text);
