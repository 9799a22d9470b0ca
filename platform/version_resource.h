#pragma once
// The file version a module carries in itself: the stand-in of the original's
// version resource. One source of a plug-in places the record:
//
//     #include "platform/version_resource.h"
//     BVD_PROJECT_FILE_VERSION();   // the project's version (bvd_add_plugin)
//     BVD_FILE_VERSION(1, 2, 3, 4); // or one of its own
//
// The record lands in the ELF section ".bvd_version" of the module file;
// GetFileVersionInfoW (version.h) reads it back from the file. A module has
// at most one: a second one fails at link time.
#include "platform/types.h"

// On disk, in the section, in the byte order of the file.
struct BvdVersionRecord {
    char magic[16];            // kBvdVersionMagic, no terminating zero
    DWORD signature;           // 0xFEEF04BD
    DWORD strucVersion;        // 0x00010000
    DWORD fileVersionMS;       // major << 16 | minor
    DWORD fileVersionLS;       // patch << 16 | tweak
    DWORD productVersionMS;
    DWORD productVersionLS;
};
static_assert(sizeof(BvdVersionRecord) == 40);

inline constexpr char kBvdVersionSection[] = ".bvd_version";
inline constexpr char kBvdVersionMagic[16] = {'B', 'V', 'D', '-', 'F', 'I', 'L', 'E',
                                              '-', 'V', 'E', 'R', 'S', 'I', 'O', 'N'};

#define BVD_VERSION_DWORD(hi, lo) ((static_cast<DWORD>(hi) & 0xFFFFu) << 16 | (static_cast<DWORD>(lo) & 0xFFFFu))

#define BVD_FILE_VERSION(major, minor, patch, tweak)                                                       \
    extern "C" __attribute__((used, section(".bvd_version"), visibility("hidden")))                       \
    const BvdVersionRecord bvd_file_version_record = {                                                     \
        {'B', 'V', 'D', '-', 'F', 'I', 'L', 'E', '-', 'V', 'E', 'R', 'S', 'I', 'O', 'N'},                   \
        0xFEEF04BDu,                                                                                       \
        0x00010000u,                                                                                       \
        BVD_VERSION_DWORD(major, minor),                                                                   \
        BVD_VERSION_DWORD(patch, tweak),                                                                   \
        BVD_VERSION_DWORD(major, minor),                                                                   \
        BVD_VERSION_DWORD(patch, tweak)}

// The version set once in the top CMakeLists.txt (project VERSION), which
// bvd_add_plugin hands to every plug-in as BVD_VERSION_MAJOR ... _TWEAK.
#define BVD_PROJECT_FILE_VERSION() \
    BVD_FILE_VERSION(BVD_VERSION_MAJOR, BVD_VERSION_MINOR, BVD_VERSION_PATCH, BVD_VERSION_TWEAK)
