#pragma once

// Marks a class or function that the web library exports. The library is built with hidden
// visibility, as the module is, so a host sees exactly what carries this mark.
#define VUDODA_WEB_API __attribute__((visibility("default")))
