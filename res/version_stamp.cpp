// The version block as text inside the executable, so that the installed program says which
// version it is (`strings Update | grep 'Update version'`). Nothing calls into this file:
// res/CMakeLists.txt puts its object on the link line of every target that links update_res,
// and `used` + `retain` keep the compiler and the linker's section garbage collection from
// dropping the unreferenced bytes.
#include "res/version.h"

// PE objects (the Windows build) know no retained sections; there `used` and the link line
// keep the bytes, as the linker collects no unreferenced sections by default.
#ifdef __ELF__
#define UPDATE_STAMP [[gnu::used, gnu::retain, gnu::section(".update_version")]]
#else
#define UPDATE_STAMP [[gnu::used, gnu::section(".update_version")]]
#endif

UPDATE_STAMP static const char kVersionStamp[] =
    UPDATE_PRODUCT_NAME " version " UPDATE_FILE_VERSION " (" UPDATE_ORIGINAL_FILENAME ")";

UPDATE_STAMP static const char kVersionBlock[] =
    "FileVersion=" UPDATE_FILE_VERSION_TEXT ";ProductVersion=" UPDATE_PRODUCT_VERSION_TEXT
    ";OriginalFilename=" UPDATE_ORIGINAL_FILENAME ";ProductName=" UPDATE_PRODUCT_NAME
    ";FileDescription=" UPDATE_FILE_DESCRIPTION ";InternalName=" UPDATE_INTERNAL_NAME
    ";Translation=" UPDATE_VERSION_TRANSLATION;
