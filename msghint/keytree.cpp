#include "keytree.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kNone = -1;
constexpr int kNoRecord = INT_MAX;

struct Node {
    int ends;        // earliest record whose keyword ends here
    int best;        // earliest record anywhere below (and here)
    int lit_child;   // first literal edge, kept in the node
    int caps;        // first capture edge, or kNone
    unsigned char lit_byte;
    bool more_lits;  // further literal edges are in the edge table
};

struct CapEdge {
    int child;
    int next;
    unsigned char term;  // 0: the capture takes the rest of the text
};

struct LitSlot {
    uint64_t key;  // see litkey; 0 marks a free slot
    int child;
};

struct Tree {
    Node* nodes = nullptr;
    int nnodes = 0;
    CapEdge* caps = nullptr;
    int ncaps = 0;
    LitSlot* lits = nullptr;
    size_t litmask = 0;
    const KeyCord** records = nullptr;  // list order
    // A node with one literal edge, no capture edge and no keyword ending
    // in it just passes the text on. Its child is always the next node
    // (the keyword that made it went on at once), so a chain of them reads
    // as a run of bytes: run[i] is node i's literal, runlen[i] the number
    // of pass-through nodes from i on.
    unsigned char* run = nullptr;
    int* runlen = nullptr;
    int rootlit[256];  // the root's literal edges, looked up on every line
    bool built = false;
};

Tree tree;

// Slot keys are offset by one so that zero marks a free slot.
uint64_t litkey(int node, unsigned char c) { return ((static_cast<uint64_t>(node) << 8) | c) + 1; }

size_t slotof(uint64_t key) {
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & tree.litmask;
}

int findlit(int node, unsigned char c) {
    const Node& n = tree.nodes[node];
    if (n.lit_child != kNone && n.lit_byte == c) return n.lit_child;
    if (!n.more_lits) return kNone;
    const uint64_t key = litkey(node, c);
    for (size_t s = slotof(key);; s = (s + 1) & tree.litmask) {
        if (tree.lits[s].key == key) return tree.lits[s].child;
        if (tree.lits[s].key == 0) return kNone;
    }
}

int newnode() {
    Node& n = tree.nodes[tree.nnodes];
    n.ends = kNoRecord;
    n.best = kNoRecord;
    n.lit_child = kNone;
    n.caps = kNone;
    n.lit_byte = 0;
    n.more_lits = false;
    return tree.nnodes++;
}

int litstep(int node, unsigned char c) {
    int child = findlit(node, c);
    if (child != kNone) return child;
    child = newnode();
    Node& n = tree.nodes[node];
    if (n.lit_child == kNone) {
        n.lit_byte = c;
        n.lit_child = child;
        return child;
    }
    n.more_lits = true;
    const uint64_t key = litkey(node, c);
    size_t s = slotof(key);
    while (tree.lits[s].key != 0) s = (s + 1) & tree.litmask;
    tree.lits[s] = {key, child};
    return child;
}

int capstep(int node, unsigned char term) {
    for (int e = tree.nodes[node].caps; e != kNone; e = tree.caps[e].next)
        if (tree.caps[e].term == term) return tree.caps[e].child;
    const int child = newnode();
    const int e = tree.ncaps++;
    tree.caps[e] = {child, tree.nodes[node].caps, term};
    tree.nodes[node].caps = e;
    return child;
}

// Puts one keyword into the tree, step by step exactly as matchkeyword
// reads it, and marks every node on its way with the record's rank.
void addkeyword(const char* k, int rank) {
    int node = 0;
    int ncap = 0;
    auto mark = [&](int at) {
        if (rank < tree.nodes[at].best) tree.nodes[at].best = rank;
    };
    mark(node);
    while (*k) {
        if (*k == '$' && ncap < kCaptureCount) {
            ++ncap;
            node = capstep(node, static_cast<unsigned char>(k[1]));
            ++k;
        } else {
            if (*k == '\\' && k[1]) ++k;
            node = litstep(node, static_cast<unsigned char>(*k));
            ++k;
        }
        mark(node);
    }
    if (rank < tree.nodes[node].ends) tree.nodes[node].ends = rank;
}

void findruns() {
    for (int i = tree.nnodes - 1; i >= 0; --i) {
        const Node& n = tree.nodes[i];
        const bool pass = n.lit_child != kNone && !n.more_lits && n.caps == kNone && n.ends == kNoRecord;
        tree.run[i] = n.lit_byte;
        tree.runlen[i] = pass ? 1 + (i + 1 < tree.nnodes ? tree.runlen[i + 1] : 0) : 0;
    }
}

// What the walk carries: the best record so far with the captures that
// its keyword made, and the captures on the way to the current node.
struct Span {
    const char* from;
    const char* to;
};
struct Walk {
    int best = kNoRecord;
    int depth = 0;  // captures on the current way, at most kCaptureCount
    int wondepth = 0;
    Span way[kCaptureCount];
    Span won[kCaptureCount];
};

void walk(int node, const char* t, Walk& w) {
    for (;;) {
        if (const int len = tree.runlen[node]) {
            // Nothing can end or branch inside a run; a mismatch (the
            // text's end included) ends the walk here.
            const unsigned char* r = tree.run + node;
            for (int i = 0; i < len; ++i)
                if (static_cast<unsigned char>(t[i]) != r[i]) return;
            t += len;
            node += len;
        }
        const Node& n = tree.nodes[node];
        if (n.best >= w.best) return;
        if (n.ends < w.best) {
            w.best = n.ends;
            w.wondepth = w.depth;
            for (int i = 0; i < w.depth; ++i) w.won[i] = w.way[i];
        }
        for (int e = n.caps; e != kNone; e = tree.caps[e].next) {
            const CapEdge& edge = tree.caps[e];
            if (tree.nodes[edge.child].best >= w.best) continue;
            // Fields are short: a plain loop beats a library call here.
            const char* rest = t;
            while (*rest && *rest != static_cast<char>(edge.term)) ++rest;
            w.way[w.depth++] = {t, rest};
            walk(edge.child, rest, w);
            --w.depth;
        }
        if (!*t) return;
        node = node == 0 ? tree.rootlit[static_cast<unsigned char>(*t)]
                         : findlit(node, static_cast<unsigned char>(*t));
        if (node == kNone) return;
        ++t;
    }
}

}  // namespace

bool buildkeytree() {
    dropkeytree();
    size_t nrec = 0, steps = 0;
    for (const KeyCord* rec = key_first; rec; rec = rec->next) {
        ++nrec;
        steps += std::strlen(rec->keyword);
    }
    size_t slots = 16;
    while (slots < 2 * steps + 2) slots <<= 1;
    tree.nodes = static_cast<Node*>(std::malloc((steps + 1) * sizeof(Node)));
    tree.caps = static_cast<CapEdge*>(std::malloc((steps + 1) * sizeof(CapEdge)));
    tree.lits = static_cast<LitSlot*>(std::calloc(slots, sizeof(LitSlot)));
    tree.records = static_cast<const KeyCord**>(std::malloc((nrec + 1) * sizeof(KeyCord*)));
    tree.run = static_cast<unsigned char*>(std::malloc(steps + 1));
    tree.runlen = static_cast<int*>(std::malloc((steps + 1) * sizeof(int)));
    if (!tree.nodes || !tree.caps || !tree.lits || !tree.records || !tree.run || !tree.runlen) {
        dropkeytree();
        return false;
    }
    tree.litmask = slots - 1;
    newnode();
    int rank = 0;
    for (const KeyCord* rec = key_first; rec; rec = rec->next, ++rank) {
        tree.records[rank] = rec;
        addkeyword(rec->keyword, rank);
    }
    findruns();
    for (int c = 0; c < 256; ++c) tree.rootlit[c] = findlit(0, static_cast<unsigned char>(c));
    tree.built = true;
    return true;
}

void dropkeytree() {
    std::free(tree.nodes);
    std::free(tree.caps);
    std::free(tree.lits);
    std::free(tree.records);
    std::free(tree.run);
    std::free(tree.runlen);
    tree = Tree{};
}

bool keytreebuilt() { return tree.built; }

const KeyCord* findkeycord(const char* text) {
    if (!tree.built) return nullptr;
    Walk w;
    walk(0, text, w);
    if (w.best == kNoRecord) return nullptr;
    // The winner's captures, kept as matchkeyword keeps them.
    for (int i = 0; i < w.wondepth; ++i) {
        size_t len = static_cast<size_t>(w.won[i].to - w.won[i].from);
        if (len > kCaptureSize - 1) len = kCaptureSize - 1;
        std::memcpy(strtmp[i], w.won[i].from, len);
        strtmp[i][len] = '\0';
    }
    strtmpnum = w.wondepth;
    return tree.records[w.best];
}
