#pragma once
#include <initializer_list>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace fo {

class Form;

// Controls sharing one name, told apart by index ("optRQ(2)"). Members can
// be added at run time (load) and are reached with operator[].
template <class T>
class ControlArray {
public:
    ControlArray(Form& form, std::string name, std::initializer_list<int> indexes = {})
        : form_(&form), name_(std::move(name)) {  // the array `name` on `form`, with members loaded at `indexes`
        for (int i : indexes) load(i);
    }
    T& load(int index) {
        if (members_.count(index)) throw std::invalid_argument("Object already loaded");
        std::unique_ptr<T> m;
        // Controls with a caption take it before the index.
        if constexpr (std::is_constructible_v<T, Form&, std::string, std::string, int>)
            m = std::make_unique<T>(*form_, name_, std::string(), index);
        else
            m = std::make_unique<T>(*form_, name_, index);
        T& ref = *m;
        members_.emplace(index, std::move(m));
        return ref;
    }
    void unload(int index) { members_.erase(index); }  // drops the member at `index`
    T& operator[](int index) const {  // the member at `index`; throws std::out_of_range when none
        auto it = members_.find(index);
        if (it == members_.end()) throw std::out_of_range("Control array element '" + std::to_string(index) + "' doesn't exist");
        return *it->second;
    }
    bool contains(int index) const { return members_.count(index) != 0; }  // whether a member is loaded at `index`
    int count() const { return static_cast<int>(members_.size()); }  // how many members are loaded
    const std::string& name() const { return name_; }  // the name the members share
    // Iterates (index, member) pairs in index order.
    auto begin() const { return members_.begin(); }
    auto end() const { return members_.end(); }

private:
    Form* form_;
    std::string name_;
    std::map<int, std::unique_ptr<T>> members_;
};

}  // namespace fo
