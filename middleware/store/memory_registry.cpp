#include "middleware/store/memory_registry.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "middleware/common/status.h"

namespace tessel::store {

char16_t foldRegistryCase(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F))
        return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    return c;
}

namespace {

constexpr std::size_t kMaxKeyNameLength = 255;

std::u16string folded(const std::u16string& name) {
    std::u16string result = name;
    std::transform(result.begin(), result.end(), result.begin(), foldRegistryCase);
    return result;
}

struct Value {
    std::u16string folded;
    std::uint32_t type = regtype::none;
    std::vector<std::uint8_t> data;
};

struct Node {
    std::u16string name;
    std::u16string folded;
    std::vector<std::u16string> path;  // folded components from the root, for access rules
    std::weak_ptr<Node> parent;
    std::vector<std::shared_ptr<Node>> children;  // sorted by folded name
    std::vector<Value> values;
    bool deleted = false;

    auto childPosition(const std::u16string& foldedName) {
        return std::lower_bound(children.begin(), children.end(), foldedName,
                                [](const std::shared_ptr<Node>& child, const std::u16string& n) {
                                    return child->folded < n;
                                });
    }
    std::shared_ptr<Node> child(const std::u16string& foldedName) {
        auto found = childPosition(foldedName);
        return found != children.end() && (*found)->folded == foldedName ? *found : nullptr;
    }
    Value* value(const std::u16string& foldedName) {
        for (Value& v : values)
            if (v.folded == foldedName) return &v;
        return nullptr;
    }
};

// Splits a relative path into components. Empty components are skipped as the registry does;
// a leading separator is refused.
std::uint32_t splitPath(const std::u16string& path, std::vector<std::u16string>& components) {
    if (!path.empty() && path.front() == u'\\') return regerr::badPathname;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(u'\\', start);
        if (end == std::u16string::npos) end = path.size();
        if (end > start) {
            if (end - start > kMaxKeyNameLength) return regerr::invalidParameter;
            components.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return syserr::success;
}

}  // namespace

struct MemoryRegistry::State {
    std::mutex lock;
    std::shared_ptr<Node> roots[2];
    struct Rule {
        std::vector<std::u16string> path;  // folded, root component first
        bool readable;
    };
    std::vector<Rule> denied;

    bool isDenied(const std::vector<std::u16string>& path, bool reading = false) const {
        for (const auto& rule : denied)
            if (rule.path.size() <= path.size() && std::equal(rule.path.begin(), rule.path.end(), path.begin()) &&
                !(reading && rule.readable))
                return true;
        return false;
    }
};

namespace {

class MemoryKey final : public RegistryKey {
public:
    MemoryKey(std::shared_ptr<MemoryRegistry::State> state, std::shared_ptr<Node> node, bool readOnly = false)
        : state_(std::move(state)), node_(std::move(node)), readOnly_(readOnly) {}

    std::uint32_t createKey(const std::u16string& path,
                            std::unique_ptr<RegistryKey>& key) override {
        std::lock_guard guard(state_->lock);
        if (readOnly_) return syserr::accessDenied;
        return reach(path, true, false, key);
    }

    std::uint32_t openKey(const std::u16string& path, std::unique_ptr<RegistryKey>& key) override {
        std::lock_guard guard(state_->lock);
        return reach(path, false, false, key);
    }

    std::uint32_t openKeyToRead(const std::u16string& path, std::unique_ptr<RegistryKey>& key) override {
        std::lock_guard guard(state_->lock);
        return reach(path, false, true, key);
    }

    std::uint32_t deleteKey(const std::u16string& path) override {
        std::lock_guard guard(state_->lock);
        if (readOnly_) return syserr::accessDenied;
        std::shared_ptr<Node> target;
        if (std::uint32_t error = find(path, target)) return error;
        std::shared_ptr<Node> parent = target->parent.lock();
        if (!parent || !target->children.empty()) return syserr::accessDenied;
        parent->children.erase(parent->childPosition(target->folded));
        target->deleted = true;
        return syserr::success;
    }

    std::uint32_t subkeyCount(std::uint32_t& count) override {
        std::lock_guard guard(state_->lock);
        if (node_->deleted) return regerr::keyDeleted;
        count = static_cast<std::uint32_t>(node_->children.size());
        return syserr::success;
    }

    std::uint32_t enumKey(std::uint32_t index, std::uint32_t capacity,
                          std::u16string& name) override {
        std::lock_guard guard(state_->lock);
        if (node_->deleted) return regerr::keyDeleted;
        if (index >= node_->children.size()) return syserr::noMoreItems;
        const std::u16string& found = node_->children[index]->name;
        if (found.size() + 1 > capacity) return syserr::moreData;
        name = found;
        return syserr::success;
    }

    std::uint32_t setValue(const std::u16string& name, std::uint32_t type, const std::uint8_t* data,
                           std::uint32_t size) override {
        std::lock_guard guard(state_->lock);
        if (node_->deleted) return regerr::keyDeleted;
        if (readOnly_) return syserr::accessDenied;
        const std::u16string key = folded(name);
        Value* value = node_->value(key);
        if (!value) value = &node_->values.emplace_back(Value{key, regtype::none, {}});
        value->type = type;
        value->data.assign(data, data + size);
        return syserr::success;
    }

    std::uint32_t queryValue(const std::u16string& name, std::uint32_t& type, std::uint8_t* buffer,
                             std::uint32_t& size) override {
        std::lock_guard guard(state_->lock);
        if (node_->deleted) return regerr::keyDeleted;
        const Value* value = node_->value(folded(name));
        if (!value) return syserr::fileNotFound;
        const auto stored = static_cast<std::uint32_t>(value->data.size());
        type = value->type;
        if (!buffer) {
            size = stored;
            return syserr::success;
        }
        if (size < stored) {
            size = stored;
            return syserr::moreData;
        }
        if (stored) std::memcpy(buffer, value->data.data(), stored);
        size = stored;
        return syserr::success;
    }

private:
    std::uint32_t find(const std::u16string& path, std::shared_ptr<Node>& target) {
        if (node_->deleted) return regerr::keyDeleted;
        std::vector<std::u16string> components;
        if (std::uint32_t error = splitPath(path, components)) return error;
        target = node_;
        for (const auto& component : components) {
            target = target->child(folded(component));
            if (!target) return syserr::fileNotFound;
        }
        return state_->isDenied(target->path) ? syserr::accessDenied : syserr::success;
    }

    std::uint32_t reach(const std::u16string& path, bool create, bool reading,
                        std::unique_ptr<RegistryKey>& key) {
        if (node_->deleted) return regerr::keyDeleted;
        std::vector<std::u16string> components;
        if (std::uint32_t error = splitPath(path, components)) return error;
        std::vector<std::u16string> fullPath = node_->path;
        for (const auto& component : components) fullPath.push_back(folded(component));
        if (state_->isDenied(fullPath, reading)) return syserr::accessDenied;

        std::shared_ptr<Node> current = node_;
        for (const auto& component : components) {
            const std::u16string name = folded(component);
            std::shared_ptr<Node> next = current->child(name);
            if (!next) {
                if (!create) return syserr::fileNotFound;
                next = std::make_shared<Node>();
                next->name = component;
                next->folded = name;
                next->path = current->path;
                next->path.push_back(name);
                next->parent = current;
                current->children.insert(current->childPosition(name), next);
            }
            current = std::move(next);
        }
        key = std::make_unique<MemoryKey>(state_, std::move(current), reading);
        return syserr::success;
    }

    std::shared_ptr<MemoryRegistry::State> state_;
    std::shared_ptr<Node> node_;
    bool readOnly_;
};

std::u16string rootComponent(RegistryRoot root) {
    return root == RegistryRoot::localMachine ? u"\x1HKLM" : u"\x1HKCU";
}

}  // namespace

MemoryRegistry::MemoryRegistry() : state_(std::make_shared<State>()) {
    for (RegistryRoot root : {RegistryRoot::localMachine, RegistryRoot::currentUser}) {
        auto node = std::make_shared<Node>();
        node->path = {rootComponent(root)};
        state_->roots[static_cast<int>(root)] = std::move(node);
    }
}

MemoryRegistry::~MemoryRegistry() = default;

std::unique_ptr<RegistryKey> MemoryRegistry::openRoot(RegistryRoot root) {
    return std::make_unique<MemoryKey>(state_, state_->roots[static_cast<int>(root)]);
}

void MemoryRegistry::denyAccess(RegistryRoot root, const std::u16string& path, bool readable) {
    std::vector<std::u16string> components;
    splitPath(path, components);
    std::vector<std::u16string> rule{rootComponent(root)};
    for (const auto& component : components) rule.push_back(folded(component));
    std::lock_guard guard(state_->lock);
    state_->denied.push_back({std::move(rule), readable});
}

}  // namespace tessel::store
