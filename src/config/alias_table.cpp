// The registry alias table and its rebuilding from the [Registry] section.
#include "config/alias_table.h"

#include <new>

#include "config/application.h"
#include "config/text_encoding.h"
#include "platform/registry.h"

namespace autorun {

void AliasTable::clear() {
    delete[] entries;
    entries = nullptr;
    capacity = 0;
    count = 0;
}

bool AliasTable::allocate(uint32_t n) {
    entries = new (std::nothrow) AliasEntry[n];
    capacity = entries == nullptr ? 0 : n;
    return entries != nullptr;
}

void AliasTable::append(const String& name, const String& value) {
    if (count >= capacity) return;
    entries[count].name.assign(name);
    entries[count].value.assign(value);
    ++count;
}

bool AliasTable::findAlias(const char* aliasName, String& out) const {
    for (uint32_t i = 0; i < count; ++i) {
        if (equals(entries[i].name, aliasName)) {
            out.assign(entries[i].value);
            return true;
        }
    }
    out.assign("");
    return false;
}

void Application::reloadAliases() {
    aliases.clear();
    if (!openSection("Registry")) return;
    int32_t start = sectionCursor;
    uint32_t lines = 0;
    while (nextLine()) ++lines;
    if (!aliases.allocate(lines)) return;
    sectionCursor = start;
    while (nextLine()) {
        parseAliasLine();
        aliases.append(currentKey, currentValue);
    }
}

void Application::parseAliasLine() {
    currentKey.assign("");
    currentValue.assign("");
    char* line = currentLine.text();
    if (line == nullptr || line[0] == ';') return;
    int32_t equalsSign = findChar('=', line);
    if (equalsSign < 0) {
        currentKey.assign(trim(line));
        return;
    }
    line[equalsSign] = '\0';
    currentKey.assign(trim(line));
    String path(concat(String("Software\\"), trim(line + equalsSign + 1)));
    if (path.length() == 0) return;
    // The prefix ends with a backslash, so the path splits into key and value name; only when
    // there was no memory for the prefix can it lack one, and then there is nothing to read.
    char* text = path.text();
    int32_t split = path.length() - 1;
    while (split >= 0 && text[split] != '\\') --split;
    if (split < 0) return;
    text[split] = '\0';
    String keyPath(systemText(text));
    String valueName(systemText(text + split + 1));
    if (keyPath.length() == 0) return;
    char* registryText =
        platform::readRegistryText(keyPath.text(), valueName.length() > 0 ? valueName.text() : "");
    currentValue.assign(registryText);
    delete[] registryText;
}

}  // namespace autorun
