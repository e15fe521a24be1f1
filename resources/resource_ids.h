/*
 * Resource IDs shared by deDidAzorovo.rc and the window code.  Plain
 * preprocessor only, so the resource compiler can include it too.
 */
#ifndef VX_RESOURCE_IDS_H
#define VX_RESOURCE_IDS_H

/* The application and window icon (two 16 x 16 images). */
#define IDI_APP 1

/* The banner picture above the mod list: a GIF89a file, stored as RCDATA;
   the same drawn at twice the size, for more than 96 DPI. */
#define IDR_BANNER 101
#define IDR_BANNER_2X 102

#endif /* VX_RESOURCE_IDS_H */
