// Reading skin package members from files.
#pragma once

#include "skin/package.h"

// The first member of the package file `package` whose directory name matches `pattern`, in a
// new block (release it with FreePackageMember). The file is opened for shared reading and
// closed on every path. False, with `member` untouched, when there is no such member or the
// package cannot be read; a member whose data lies outside the file counts as missing.
bool ReadPackageMember(const char* package, const char* pattern, PackageMember* member);

// IsWholePackage over the file at `path`; false when it cannot be read.
bool IsWholePackageFile(const char* path);
