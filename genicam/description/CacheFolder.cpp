// Opening the cache folder: a walk from "/" one folder at a time, each
// opened relative to the one above without following links, made when
// missing, and checked through its descriptor, so that nothing renamed or
// planted on the way between a check and a use is ever taken.
#include "Cache.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <vector>

namespace genicam {

namespace {

const mode_t kFolderMode = 0700;
// Links followed in one walk at most, as the kernel allows in one lookup.
const int kMaxLinks = 40;

bool othersMayWrite(const struct stat &status)
{
    return (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

bool sticky(const struct stat &status)
{
    return (status.st_mode & S_ISVTX) != 0;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The user's own, and no one else may add, remove or rename what it holds.
bool usersOwn(const struct stat &status)
{
    return status.st_uid == geteuid() && !othersMayWrite(status);
}

// A folder whose own folders need no check: the user's home, or a folder
// of root's where no one else can replace what the user holds (not
// writable by others, or sticky, as /tmp is).
bool anchor(const struct stat &status, const struct stat *home)
{
    if (home != nullptr && sameFile(status, *home))
        return true;
    return status.st_uid == 0 && (!othersMayWrite(status) || sticky(status));
}

// A link that only the user or root can have made or changed where it is.
bool trustedLink(const struct stat &link, const struct stat &folder)
{
    uid_t user = geteuid();
    return (link.st_uid == user || link.st_uid == 0) && (folder.st_uid == user || folder.st_uid == 0) &&
           (!othersMayWrite(folder) || sticky(folder));
}

void appendNames(const std::string &path, std::deque<std::string> *names, bool atFront)
{
    std::vector<std::string> found;
    for (size_t at = 0; at < path.size();) {
        size_t end = path.find('/', at);
        if (end == std::string::npos)
            end = path.size();
        if (end > at)
            found.push_back(path.substr(at, end - at));
        at = end + 1;
    }
    if (atFront)
        names->insert(names->begin(), found.begin(), found.end());
    else
        names->insert(names->end(), found.begin(), found.end());
}

struct Folder {
    int fd;
    struct stat status;
};

// The folders from "/" down to where the walk has come, each held open.
class Walk {
public:
    ~Walk() { backTo(0); }

    bool start() { return backTo(0) && push(open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)); }

    // Goes down into name: a folder, made when missing, or a trusted link's
    // target, whose names are put before the rest.
    bool enter(const std::string &name, std::deque<std::string> *rest, const struct stat *home)
    {
        if (name == ".")
            return true;
        if (name == "..")
            return chain_.size() == 1 || backTo(chain_.size() - 1);
        int fd = openFolder(name);
        if (fd < 0 && errno == ENOENT) {
            // Made only where it could pass the checks: in a folder of the
            // user's own, or one that needs none above it.
            if (!usersOwn(top().status) && !anchor(top().status, home))
                return false;
            if (mkdirat(top().fd, name.c_str(), kFolderMode) != 0 && errno != EEXIST)
                return false;
            fd = openFolder(name);
        }
        if (fd < 0 && (errno == ELOOP || errno == ENOTDIR))
            return followLink(name, rest);
        return push(fd);
    }

    // The folder reached, open for reading, when it and those above it
    // pass the checks; -1 when not.
    int checkedFolder(const struct stat *home)
    {
        if (!usersOwn(top().status))
            return -1;
        for (size_t k = chain_.size() - 1; k-- > 0 && !anchor(chain_[k].status, home);)
            if (!usersOwn(chain_[k].status))
                return -1;
        int fd = openat(top().fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat status;
        if (fd >= 0 && (fstat(fd, &status) != 0 || !sameFile(status, top().status))) {
            close(fd);
            return -1;
        }
        return fd;
    }

private:
    const Folder &top() const { return chain_.back(); }

    int openFolder(const std::string &name)
    {
        return openat(top().fd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }

    bool push(int fd)
    {
        Folder folder = {fd, {}};
        if (fd < 0 || fstat(fd, &folder.status) != 0 || !S_ISDIR(folder.status.st_mode)) {
            if (fd >= 0)
                close(fd);
            return false;
        }
        chain_.push_back(folder);
        return true;
    }

    // Leaves the first size folders of the chain.
    bool backTo(size_t size)
    {
        while (chain_.size() > size) {
            close(chain_.back().fd);
            chain_.pop_back();
        }
        return true;
    }

    bool followLink(const std::string &name, std::deque<std::string> *rest)
    {
        struct stat link;
        if (fstatat(top().fd, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(link.st_mode) ||
            !trustedLink(link, top().status) || ++links_ > kMaxLinks)
            return false;
        char target[PATH_MAX];
        ssize_t length = readlinkat(top().fd, name.c_str(), target, sizeof target);
        if (length <= 0 || (size_t)length >= sizeof target)
            return false;
        std::string path(target, (size_t)length);
        appendNames(path, rest, true);
        return path[0] != '/' || start();
    }

    std::vector<Folder> chain_;
    int links_ = 0;
};

} // namespace

std::unique_ptr<DescriptionCache> DescriptionCache::open(const std::string &folder, const char *home)
{
    if (folder.empty() || folder[0] != '/')
        return nullptr;
    struct stat homeStatus;
    bool homeKnown = home != nullptr && home[0] == '/' && stat(home, &homeStatus) == 0;
    std::deque<std::string> names;
    appendNames(folder, &names, false);
    Walk walk;
    if (!walk.start())
        return nullptr;
    while (!names.empty()) {
        std::string name = names.front();
        names.pop_front();
        if (!walk.enter(name, &names, homeKnown ? &homeStatus : nullptr))
            return nullptr;
    }
    int fd = walk.checkedFolder(homeKnown ? &homeStatus : nullptr);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<DescriptionCache>(new DescriptionCache(fd, folder));
}

} // namespace genicam
