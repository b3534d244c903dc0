/* The Susie plug-in interface as QIVO2 hosts it on Linux.
 *
 * A plug-in is a native shared library named NAME.spi that exports the functions below
 * with C linkage (no stdcall here). QIVO2 looks for plug-ins in the folder of its
 * executable (and in its data folder when that differs).
 *
 * Handles: every handle a plug-in hands back (the BITMAPINFO and bits of GetPicture and
 * GetPreview, the text handle of SpiPictureInfo, the archive list of GetArchiveInfo) is a
 * pointer obtained from malloc() in this process. The host takes ownership and releases
 * it with free(). Never return a pointer into static or stack memory, or one from new.
 * The host measures each handle with malloc_usable_size() and refuses results whose
 * header promises more bytes than the block holds.
 *
 * Texts are UTF-8. Text buffers the host passes are 256 bytes; buflen is 255.
 *
 * Source forms of buf/len/flag (low 3 bits of flag):
 *   SPI_SOURCE_FILE   buf = file name, len = offset of the picture in the file (0 or 128)
 *   SPI_SOURCE_MEMORY buf = first byte of the picture, len = bytes available from there
 *
 * IsSupported's dw is always a pointer to at least 2,048 readable bytes: the file's head,
 * zero-filled past its end (never a file descriptor).
 */
#ifndef QIVO2_SPI_H
#define QIVO2_SPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SPI_EXPORT __attribute__((visibility("default")))

/* Results. */
#define SPI_NO_FUNCTION (-1)
#define SPI_ALL_RIGHT 0
#define SPI_ABORT 1
#define SPI_NOT_SUPPORT 2
#define SPI_OUT_OF_ORDER 3 /* data broken, also a picture whose file ends early */
#define SPI_NO_MEMORY 4
#define SPI_MEMORY_ERROR 5
#define SPI_FILE_READ_ERROR 6
#define SPI_WINDOW_ERROR 7
#define SPI_OTHER_ERROR 8
#define SPI_FILE_WRITE_ERROR 9
#define SPI_END_OF_FILE 10

/* GetPluginInfo numbers: 0 type code ("00IN" picture import, "00AM" archive, "00XN"),
 * 1 plug-in name, then pairs 2/3, 4/5 ...: file pattern ("*.tga" or "*.pi;*.pic") and
 * its description. Return the number of characters written, 0 past the last pair. */
#define SPI_INFO_TYPE 0
#define SPI_INFO_NAME 1
#define SPI_INFO_FIRST_PATTERN 2

#define SPI_SOURCE_MASK 7u
#define SPI_SOURCE_FILE 0u
#define SPI_SOURCE_MEMORY 1u

/* Size of the head the host reads for IsSupported (2,048 + a 128-byte MacBinary header). */
#define SPI_HEADER_BUFFER_SIZE 2176

#pragma pack(push, 1)
typedef struct SpiPictureInfo {
  int32_t left, top;      /* position of the picture */
  int32_t width, height;  /* size in pixels */
  uint16_t x_density;     /* pixels per inch, 0 if unknown */
  uint16_t y_density;
  int16_t colorDepth;     /* bits per pixel */
  void* hInfo;            /* malloc'd text information or NULL */
} SpiPictureInfo;

typedef struct SpiBitmapInfoHeader { /* BITMAPINFOHEADER, 40 bytes */
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight; /* > 0 bottom-up, < 0 top-down */
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression; /* SPI_BI_RGB or SPI_BI_BITFIELDS */
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
} SpiBitmapInfoHeader;

typedef struct SpiRGBQuad { /* RGBQUAD */
  uint8_t rgbBlue, rgbGreen, rgbRed, rgbReserved;
} SpiRGBQuad;

typedef struct SpiFileInfo { /* one archive member (GetArchiveInfo / GetFileInfo) */
  unsigned char method[8];
  uint64_t position;
  uint64_t compsize;
  uint64_t filesize;
  int64_t timestamp;
  char path[200];
  char filename[200];
  uint32_t crc;
} SpiFileInfo;
#pragma pack(pop)

#define SPI_BI_RGB 0u
#define SPI_BI_BITFIELDS 3u

/* Progress: return 0 to go on, non-zero to abort. lData is passed through unchanged. */
typedef int (*SPI_PROGRESS)(int nNum, int nDenom, long lData);

/* Exported functions (all optional except GetPluginInfo; "00IN" needs IsSupported,
 * GetPictureInfo and GetPicture; "00AM" needs IsSupported, GetArchiveInfo, GetFileInfo
 * and GetFile). */
SPI_EXPORT int GetPluginInfo(int infono, char* buf, int buflen);
SPI_EXPORT int IsSupported(const char* filename, void* dw);
SPI_EXPORT int GetPictureInfo(const char* buf, long len, unsigned int flag, SpiPictureInfo* lpInfo);
/* *pHBInfo: SpiBitmapInfoHeader followed by the colour table; *pHBm: the pixel rows in
 * DIB layout (each padded to 4 bytes, bottom-up unless biHeight < 0). */
SPI_EXPORT int GetPicture(const char* buf, long len, unsigned int flag, void** pHBInfo, void** pHBm,
                          SPI_PROGRESS lpProgressCallback, long lData);
SPI_EXPORT int GetPreview(const char* buf, long len, unsigned int flag, void** pHBInfo, void** pHBm,
                          SPI_PROGRESS lpProgressCallback, long lData);
SPI_EXPORT int GetArchiveInfo(const char* buf, long len, unsigned int flag, void** lphInf);
SPI_EXPORT int GetFileInfo(const char* buf, long len, const char* filename, unsigned int flag,
                           SpiFileInfo* lpInfo);
SPI_EXPORT int GetFile(const char* src, long len, char* dest, unsigned int flag, SPI_PROGRESS prgressCallback,
                       long lData);
SPI_EXPORT int ConfigurationDlg(void* parent, int fnc);

/* Pointer types the host uses with dlsym. */
typedef int (*SPI_GetPluginInfo)(int, char*, int);
typedef int (*SPI_IsSupported)(const char*, void*);
typedef int (*SPI_GetPictureInfo)(const char*, long, unsigned int, SpiPictureInfo*);
typedef int (*SPI_GetPicture)(const char*, long, unsigned int, void**, void**, SPI_PROGRESS, long);
typedef int (*SPI_ProgressCallback)(int, int, long);
typedef int (*SPI_ConfigurationDlg)(void*, int);

#ifdef __cplusplus
}
#endif

#endif
