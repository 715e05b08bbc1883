// Each root key reaches Windows' own root of its name (built only on
// Windows): a key that a fresh Wine prefix has under one root only opens
// under that root and no other.
#include <gtest/gtest.h>

#include <string>

#include "os/registry_store.h"

namespace {

using NOs::NRegRoot;

struct NRootCase {
    NRegRoot root;
    const char16_t* subKey;
};

TEST(WindowsRegistryRootTest, EachRootOpensItsOwnKeysOnly) {
    const NRootCase cases[] = {
        {NRegRoot::ClassesRoot, u"CLSID"},
        {NRegRoot::CurrentUser, u"Control Panel\\Desktop"},
        {NRegRoot::LocalMachine, u"HARDWARE"},
        {NRegRoot::Users, u".DEFAULT"},
        {NRegRoot::CurrentConfig, u"Software\\Fonts"},
    };
    for (const NRootCase& key : cases) {
        for (const NRootCase& root : cases) {
            const bool opened = NOs::OpenRegistryKey(root.root, key.subKey) != nullptr;
            EXPECT_EQ(opened, root.root == key.root)
                << std::string(key.subKey,
                               key.subKey + std::char_traits<char16_t>::length(key.subKey))
                << " under root " << static_cast<uint32_t>(root.root);
        }
    }
}

TEST(WindowsRegistryRootTest, ANumberThatNamesNoRootOpensNothing) {
    EXPECT_EQ(NOs::OpenRegistryKey(static_cast<NRegRoot>(0x80000004), u""), nullptr);
    EXPECT_EQ(NOs::OpenRegistryKey(static_cast<NRegRoot>(0), u"HARDWARE"), nullptr);
}

}  // namespace
