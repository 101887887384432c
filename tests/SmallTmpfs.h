// SPDX-License-Identifier: GPL-2.0-or-later
// A tmpfs of a few hundred kilobytes at a fresh private folder, standing for
// a runtime folder without room. Mounting needs root (CI runs as root); a
// test skips where it cannot be had. Unmounted and removed again at the end.
#pragma once

#include <cstdlib>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glimview_test {

class SmallTmpfs {
public:
    // At a fresh private folder, or over the existing folder `at`.
    explicit SmallTmpfs(const char* size = "256k", const std::string& at = {})
    {
        if (at.empty()) {
            char pattern[] = "/tmp/glimview-small-XXXXXX";
            if (!::mkdtemp(pattern))
                return;
            path_ = pattern;
            made_ = true;
        } else {
            path_ = at;
        }
        const std::string options = std::string("size=") + size + ",mode=0700";
        mounted_
            = ::mount("glimview-test", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    }
    ~SmallTmpfs()
    {
        if (mounted_)
            ::umount2(path_.c_str(), MNT_DETACH);
        if (made_)
            ::rmdir(path_.c_str());
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    bool made_ = false;
    bool mounted_ = false;
};

// Points XDG_RUNTIME_DIR somewhere for as long as it lives.
class RuntimeFolderOverride {
public:
    explicit RuntimeFolderOverride(const std::string& folder)
    {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) {
            had_ = true;
            old_ = old;
        }
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    }
    ~RuntimeFolderOverride()
    {
        if (had_)
            ::setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }
    RuntimeFolderOverride(const RuntimeFolderOverride&) = delete;
    RuntimeFolderOverride& operator=(const RuntimeFolderOverride&) = delete;

private:
    bool had_ = false;
    std::string old_;
};

} // namespace glimview_test
