#pragma once
// Symbols the platform library offers to the plug-ins, the host and the tests.
// Everything else in the library stays hidden.
#define PLATFORM_API __attribute__((visibility("default")))
