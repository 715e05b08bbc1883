#include "os/object_name.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "text/text_prefix.h"

namespace NOs {
namespace {

constexpr size_t kMaxNamespace = 32;
constexpr char kGlobalPrefix[] = "Global\\";
constexpr char kLocalPrefix[] = "Local\\";

bool IsNamespaceChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
}

void AppendEscaped(std::string& out, const std::string& name) {
    for (const char c : name) {
        switch (c) {
            case '%':
                out += "%25";
                break;
            case '/':
                out += "%2F";
                break;
            case '\\':
                out += "%5C";
                break;
            default:
                out += c;
                break;
        }
    }
}

}  // namespace

bool IsValidObjectNamespace(const std::string& objectNamespace) {
    return !objectNamespace.empty() && objectNamespace.size() <= kMaxNamespace &&
           std::all_of(objectNamespace.begin(), objectNamespace.end(), IsNamespaceChar);
}

NResult<std::string> GetObjectNamespace() {
    const char* space = std::getenv(kObjectNamespaceVariable);
    if (space == nullptr || *space == '\0') {
        return std::string();
    }
    std::string value = space;
    if (!IsValidObjectNamespace(value)) {
        return NObjectError::BadName;
    }
    return value;
}

NResult<NObjectName> MakeObjectName(NObjectSpace space, const std::string& scope,
                                    const std::string& name) {
    const NResult<std::string> objectNamespace = GetObjectNamespace();
    if (!objectNamespace) {
        return objectNamespace.Error();
    }
    return MakeObjectName(objectNamespace.Value(), space, scope, name);
}

NResult<NObjectName> MakeObjectName(const std::string& objectNamespace, NObjectSpace space,
                                    const std::string& scope, const std::string& name) {
    if (name.empty() || name.find('\0') != std::string::npos) {
        return NObjectError::BadName;
    }
    NObjectName result{space, objectNamespace, scope + "."};
    AppendEscaped(result.strEntry, name);
    if (result.strEntry.size() > kMaxObjectEntryName) {
        return NObjectError::BadName;
    }
    return result;
}

NResult<NObjectName> GetNamedObjectName(const std::string& name) {
    if (StartsWith(name, kGlobalPrefix)) {
        return MakeObjectName(NObjectSpace::Machine, "Global",
                              name.substr(sizeof(kGlobalPrefix) - 1));
    }
    const size_t skipped = StartsWith(name, kLocalPrefix) ? sizeof(kLocalPrefix) - 1 : 0;
    return MakeObjectName(NObjectSpace::Account, "Local", name.substr(skipped));
}

}  // namespace NOs
