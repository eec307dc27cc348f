#pragma once

#include <string>

#include "platform/AfxExport.h"

// Where a write that replaces the file at `path` (a new file renamed over it) puts its file,
// so that a symbolic link there stays a link: the end of the chain of links from `path`, each
// relative target taken from its link's folder, also where nothing exists yet: a dangling
// link's target is the file that the write creates. `path` itself when it is no link. Returns
// 0 with `target` set, else the system's error number: ELOOP for links that go round (or run
// longer than the system follows), or why a link cannot be read.
AFX_EXT_API int LinkTarget(const std::string& path, std::string& target);
