/*
 * Version and product information for deDidAzorovo.
 *
 * This is the only place these values live.  The C++ sources include it for
 * the window title and the About box, the Windows resource script includes it
 * for the VERSIONINFO block, and cmake/version.cmake reads the four numbers
 * for the project's version and the release file names.  So it must stay
 * plain preprocessor: #define lines and comments only, plain ASCII, each
 * number on its own "#define VX_VERSION_<PART> <n>" line.
 */
#ifndef VX_VERSION_H
#define VX_VERSION_H

/* Numeric version: 1.1.0.0 */
#define VX_VERSION_MAJOR 1
#define VX_VERSION_MINOR 1
#define VX_VERSION_PATCH 0
#define VX_VERSION_BUILD 0
#define VX_VERSION_STRING "1.1.0.0"

/* Comma-separated forms for the FILEVERSION / PRODUCTVERSION statements. */
#define VX_FILEVERSION_NUM VX_VERSION_MAJOR, VX_VERSION_MINOR, VX_VERSION_PATCH, VX_VERSION_BUILD
#define VX_PRODUCTVERSION_NUM VX_VERSION_MAJOR, VX_VERSION_MINOR, VX_VERSION_PATCH, VX_VERSION_BUILD

/* Version as people see it in the file properties and the About box. */
#define VX_FILEVERSION_STR "1.01"
#define VX_PRODUCTVERSION_STR "1.01"

/* VERSIONINFO string table. */
#define VX_COMPANY_NAME "The deDidAzorovo authors"
#define VX_FILE_DESCRIPTION "ModManager for Vexmoor"
#define VX_INTERNAL_NAME "deDidAzorovo"
#define VX_LEGAL_COPYRIGHT "Copyright (C) 2026 the deDidAzorovo authors"
#define VX_LEGAL_TRADEMARKS "Vexmoor is a trademark of its developers."
#define VX_ORIGINAL_FILENAME "deDidAzorovo.exe"
#define VX_PRODUCT_NAME "deDidAzorovo"
#define VX_COMMENTS "Turns Vexmoor mods on and off by renaming their folders."

/* Spanish (Spain, modern sort), Unicode (UTF-16) code page. */
#define VX_STRINGTABLE_LANG "0C0A04B0"
#define VX_TRANSLATION_LANG 0x0C0A
#define VX_TRANSLATION_CODEPAGE 1200
#define VX_TRANSLATION VX_TRANSLATION_LANG, VX_TRANSLATION_CODEPAGE

#endif /* VX_VERSION_H */
