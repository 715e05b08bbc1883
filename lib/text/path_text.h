#pragma once
// Paths as text, in any code unit: names separated by '/'. A separator at the
// very start stands for the root, whose folder text is empty, so that joining
// that folder and a name gives the root's path again.

#include <string>
#include <string_view>

namespace NOs {

// "<folder>/<name>".
template <class Char>
std::basic_string<Char> JoinPath(std::basic_string_view<Char> folder,
                                 std::basic_string_view<Char> name) {
    std::basic_string<Char> path(folder);
    path += Char('/');
    path += name;
    return path;
}

// The folder part of path, without its last separator: empty for a name at
// the root or a path without a separator.
template <class Char>
std::basic_string_view<Char> ParentFolder(std::basic_string_view<Char> path) {
    const size_t separator = path.rfind(Char('/'));
    return separator == std::basic_string_view<Char>::npos ? std::basic_string_view<Char>()
                                                           : path.substr(0, separator);
}

// The last name of path: all of it when it has no separator.
template <class Char>
std::basic_string_view<Char> LastName(std::basic_string_view<Char> path) {
    const size_t separator = path.rfind(Char('/'));
    return separator == std::basic_string_view<Char>::npos ? path : path.substr(separator + 1);
}

// Deduction for the texts callers hold.
inline std::string JoinPath(std::string_view folder, std::string_view name) {
    return JoinPath<char>(folder, name);
}
inline std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
    return JoinPath<char16_t>(folder, name);
}
inline std::string_view ParentFolder(std::string_view path) { return ParentFolder<char>(path); }
inline std::u16string_view ParentFolder(std::u16string_view path) {
    return ParentFolder<char16_t>(path);
}
inline std::string_view LastName(std::string_view path) { return LastName<char>(path); }
inline std::u16string_view LastName(std::u16string_view path) { return LastName<char16_t>(path); }

}  // namespace NOs
