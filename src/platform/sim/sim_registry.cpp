// The simulated registry below HKEY_CURRENT_USER and RegOpenKeyExW / RegQueryValueExW over it.
#include <cstring>
#include <new>

#include "platform/registry.h"
#include "platform/sim/sim_world.h"

namespace autorun::sim {

namespace {

// Key paths with their empty parts dropped and folded, as the registry compares them.
std::string normalKey(const std::string& key) {
    std::string out;
    size_t i = 0;
    while (i <= key.size()) {
        size_t j = key.find('\\', i);
        if (j == std::string::npos) j = key.size();
        if (j > i) {
            if (!out.empty()) out += '\\';
            out += key.substr(i, j - i);
        }
        i = j + 1;
    }
    return foldName(out);
}

// Creating a key creates every key above it.
RegistryKey& createKey(const std::string& key) {
    World& w = world();
    std::string normal = normalKey(key);
    for (size_t i = normal.find('\\'); i != std::string::npos; i = normal.find('\\', i + 1)) {
        w.registry[normal.substr(0, i)];
    }
    return w.registry[normal];
}

bool keyExists(const std::string& normal) {
    // Every user has HKEY_CURRENT_USER itself and its Software key.
    return normal.empty() || normal == "SOFTWARE" || world().registry.count(normal) > 0;
}

}  // namespace

void setRegistryValue(const std::string& key, const std::string& name, uint32_t type,
                      const std::vector<uint8_t>& data) {
    createKey(key).values[foldName(name)] = RegistryValue{type, data};
}

void setRegistryString(const std::string& key, const std::string& name, const std::string& text) {
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    setRegistryValue(key, name, regSz, data);
}

void createRegistryKey(const std::string& key) {
    createKey(key);
}

void deleteRegistryValue(const std::string& key, const std::string& name) {
    auto it = world().registry.find(normalKey(key));
    if (it != world().registry.end()) it->second.values.erase(foldName(name));
}

void deleteRegistryKey(const std::string& key) {
    std::string normal = normalKey(key);
    auto& registry = world().registry;
    for (auto it = registry.begin(); it != registry.end();) {
        bool below =
            it->first == normal || it->first.compare(0, normal.size() + 1, normal + "\\") == 0;
        it = below ? registry.erase(it) : std::next(it);
    }
}

std::optional<RegistryValue> registryValue(const std::string& key, const std::string& name) {
    auto it = world().registry.find(normalKey(key));
    if (it == world().registry.end()) return std::nullopt;
    auto value = it->second.values.find(foldName(name));
    if (value == it->second.values.end()) return std::nullopt;
    return value->second;
}

bool loadRegistryFile(const std::string& hostPath, std::string& error) {
    std::optional<std::string> content = readHostFile(hostPath);
    if (!content) {
        error = hostPath + ": cannot be read";
        return false;
    }
    return loadRegistryText(*content, hostPath, error);
}

bool loadRegistryText(const std::string& content, const std::string& fileName, std::string& error) {
    return parseRegFile(content, fileName, error);
}

}  // namespace autorun::sim

namespace autorun::platform {

using namespace sim;

char* readRegistryText(const char* keyPath, const char* valueName) {
    std::string normal = normalKey(keyPath);
    bool opened = keyExists(normal);
    record("RegOpenKeyExW root=HKEY_CURRENT_USER key=" + quoted(keyPath) +
           " access=0x20019 result=" + (opened ? "0" : "2"));
    if (!opened) return nullptr;
    std::optional<RegistryValue> value = registryValue(keyPath, valueName);
    std::string size = value ? std::to_string(value->data.size()) : "0";
    record("RegQueryValueExW name=" + quoted(valueName) + " size=" + size +
           " result=" + (value ? "0" : "2"));
    char* text = nullptr;
    if (value) {
        const std::vector<uint8_t>& data = value->data;
        size_t length = 0;
        while (length < data.size() && data[length] != 0) ++length;
        std::string read(data.begin(), data.begin() + static_cast<long>(length));
        bool textType =
            value->type == regSz || value->type == regExpandSz || value->type == regMultiSz;
        if (!textType) read = fromCodePage(read);
        record("RegQueryValueExW name=" + quoted(valueName) + " size=" + size +
               " result=0 data=" + quoted(read.c_str()));
        text = new (std::nothrow) char[read.size() + 1];
        if (text != nullptr) std::memcpy(text, read.c_str(), read.size() + 1);
    }
    record("RegCloseKey");
    return text;
}

}  // namespace autorun::platform
