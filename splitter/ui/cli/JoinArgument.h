// The argument of "portelan-cli join": a directory holding one set, or the
// set's configuration file.
#pragma once

#include <string>

namespace portelan {

// path made absolute and resolved as the file system resolves it: ".." after
// a symbolic link leads where the kernel goes, not where the text suggests.
// The last part keeps its own name (a link named film.avi stays film.avi);
// parts that do not exist are only tidied.
std::string ResolvePath(const std::string& path);

// "_<name>.cfg", the suffix in any case.
bool IsConfigFileName(const std::string& name);

struct JoinConfig {
    std::string path;    // full path of the configuration file; empty when none was chosen
    std::string problem; // otherwise the message for the user
};

// An existing file that is not a directory is taken as the configuration
// file itself; a directory must hold exactly one regular file named like
// one. A relative argument is taken from the current directory.
JoinConfig ChooseJoinConfig(const std::string& argument);

} // namespace portelan
