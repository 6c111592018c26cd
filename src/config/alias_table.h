// The registry aliases of the [Registry] section, in the order of its lines.
#pragma once

#include <cstdint>

#include "config/text_string.h"

namespace autorun {

struct AliasEntry {
    String name;
    String value;
};

class AliasTable {
  public:
    AliasTable() = default;
    AliasTable(const AliasTable&) = delete;
    AliasTable& operator=(const AliasTable&) = delete;
    ~AliasTable() { clear(); }

    // Destroys every entry and releases the array.
    void clear();
    // A new array of exactly n empty entries; false when it cannot be had (the table stays empty).
    bool allocate(uint32_t n);
    // Copies name and value into the next free entry.
    void append(const String& name, const String& value);
    // Copies the value of the first entry named aliasName (folded) into out; empties out and
    // returns false when there is none.
    bool findAlias(const char* aliasName, String& out) const;

    AliasEntry* entries = nullptr;
    uint32_t capacity = 0;
    uint32_t count = 0;
};

}  // namespace autorun
