#pragma once

// Marks a class or function that a shared library of the project exports. Everything else is
// built with hidden visibility, so a host sees exactly the classes that carry this mark.
#define AFX_EXT_CLASS __attribute__((visibility("default")))
#define AFX_EXT_API __attribute__((visibility("default")))
