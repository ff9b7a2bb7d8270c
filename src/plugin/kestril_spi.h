/* The image-viewer import-filter interface ("00IN") as kestril exports it, for hosts.
 *
 * Windows: kestril.spi (32-bit) and kestril.sph (64-bit) export these six functions
 * undecorated with the stdcall convention. The 64-bit variant widens the memory-image
 * length, the IsSupported source, the progress user value and the info-text handle
 * of the picture-info record to pointer size; everything else is the same.
 *
 * Elsewhere: the native plug-in (kestril.so) exports the same six functions and a
 * work-alike of LocalAlloc/LocalLock/LocalUnlock/LocalFree, so a host can lock and
 * free the blocks it receives. Blocks live as long as the library stays loaded.
 */
#ifndef KESTRIL_SPI_H
#define KESTRIL_SPI_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#define KESTRIL_SPI_CALL __stdcall
#else
#define KESTRIL_SPI_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
enum {
  KESTRIL_SPI_NOT_PROVIDED = -1,
  KESTRIL_SPI_SUCCESS = 0,
  KESTRIL_SPI_ABORTED = 1,
  KESTRIL_SPI_NOT_SUPPORTED = 2,
  KESTRIL_SPI_OUT_OF_MEMORY = 4,
  KESTRIL_SPI_FILE_ERROR = 6,
  KESTRIL_SPI_OTHER_ERROR = 8
};

/* The host's progress function: a nonzero answer asks to abort. */
typedef int32_t(KESTRIL_SPI_CALL* KestrilProgressProc)(int32_t done, int32_t total,
                                                       intptr_t userData);

/* The picture-info record, packed: 26 bytes on 32-bit hosts, 30 on 64-bit ones.
 * kestril writes it byte by byte, little-endian, at these offsets. */
#pragma pack(push, 1)
typedef struct KestrilPictureInfo {
  int32_t left;       /* 0 */
  int32_t top;        /* 4 */
  int32_t width;      /* 8 */
  int32_t height;     /* 12 */
  uint16_t xDensity;  /* 16 */
  uint16_t yDensity;  /* 18 */
  int16_t colorDepth; /* 20 */
  void* info;         /* 22: local-memory handle of a zero-terminated text, or 0 */
} KestrilPictureInfo;
#pragma pack(pop)

int32_t KESTRIL_SPI_CALL GetPluginInfo(int32_t infoNumber, char* buffer, int32_t bufferLength);
/* source: the address of the file's first 2000 bytes when any bit above the low 16 is
 * set, otherwise an open file handle (a descriptor on POSIX systems). */
int32_t KESTRIL_SPI_CALL IsSupported(const char* fileName, uintptr_t source);
/* flags & 7 nonzero: buffer is a memory image of `length` bytes; otherwise buffer is a
 * file name and `length` the offset at which the data starts. */
int32_t KESTRIL_SPI_CALL GetPictureInfo(const char* buffer, intptr_t length, uint32_t flags,
                                        KestrilPictureInfo* info);
int32_t KESTRIL_SPI_CALL GetPicture(const char* buffer, intptr_t length, uint32_t flags,
                                    void** headerHandle, void** pixelHandle,
                                    KestrilProgressProc progress, intptr_t userData);
int32_t KESTRIL_SPI_CALL GetPreview(const char* buffer, intptr_t length, uint32_t flags,
                                    void** headerHandle, void** pixelHandle,
                                    KestrilProgressProc progress, intptr_t userData);
int32_t KESTRIL_SPI_CALL ConfigurationDlg(void* parent, int32_t function);

#ifndef _WIN32
/* The local-memory work-alike (flags as on Windows: LMEM_MOVEABLE 0x02, LMEM_ZEROINIT
 * 0x40, LHND 0x42). LocalFlags answers the lock count in its low byte, 0x4000 for a
 * discarded (zero-length) block and 0x8000 for a handle it does not know. */
void* LocalAlloc(unsigned flags, size_t bytes);
void* LocalLock(void* handle);
int LocalUnlock(void* handle);
void* LocalFree(void* handle);
size_t LocalSize(void* handle);
unsigned LocalFlags(void* handle);
#endif

#ifdef __cplusplus
}
#endif

#endif /* KESTRIL_SPI_H */
