// The one way the program removes a registry key of the client's below HKEY_LOCAL_MACHINE: with its
// whole tree, or only once it is empty; never through a registry link (a link is removed as the
// link, framework/registry_tree.h); each removal reported (cleanup/report/run_report.h).
#pragma once
#include <string>

#include "cleanup/report/removal_result.h"

enum class KeyRemoval {
  WholeTree,      // the key and everything below it
  OnlyWhenEmpty,  // the key, when it holds no sub-key (values go with it)
};

// Removes HKLM\parentPath\name as how says. A name that is empty or holds a separator is refused
// (Failed): it would name the parent itself, or a key that no listing gave.
RemovalResult RemoveRegistryKey(const std::string& parentPath, const std::string& name, KeyRemoval how);
