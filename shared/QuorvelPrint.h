/* The print library's binary interface (Quorvel.so): its one export, the application's callback, the
   request and callback codes and the byte layout of the draw target. */
#ifndef QUORVEL_PRINT_H
#define QUORVEL_PRINT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif
typedef void (*TPrintCallback)(int32_t Type, int32_t Kind, int32_t C, void *P);
typedef void (*TApplicationRequest)(int32_t Code, int32_t A, int32_t B, void *P);
#ifdef __cplusplus
}
#endif

/* Requests: code, a, b, p. */
enum {
    prRegisterCallback = 1, /* p: the callback */
    prDeclareBlock = 2,     /* a: block id */
    prBlockName = 3,        /* a: block id, p: zero-terminated name */
    prBlockKind = 4,        /* a: block id, b: kind */
    prHorizontalScale = 5,  /* p: double, answered: device pixels per centimetre */
    prVerticalScale = 6,    /* p: double, answered */
    prPageWidth = 7,        /* p: int32_t, answered: device pixels */
    prPageHeight = 8,       /* p: int32_t, answered */
    prBlockLeft = 9,        /* a: block id, b: value */
    prBlockTop = 10,
    prBlockWidth = 11,
    prBlockHeight = 12,
    prPrint = 13,
    prSetup = 14,   /* p: uint8_t, answered: 1 print, 0 cancelled */
    prBlockOn = 15, /* a: block id, b: 1 on, 0 off */
    prFamily = 16   /* p: zero-terminated family text */
};

/* Block kinds. */
enum { pkPicture = 0, pkInfoText = 1, pkFreeText = 2 };

/* Callback types: type, kind (a block id), c, p. */
enum {
    pcTextLength = 1, /* p: int32_t, the length of the block's text */
    pcText = 2,       /* p: a buffer of that length + 1 */
    pcLayout = 3,     /* the application places every block through requests 9-12 */
    pcDraw = 4        /* p: a draw target record */
};

/* The draw target record of pcDraw: little-endian width and height, then the painter's address. */
enum { ptWidthOffset = 8, ptHeightOffset = 12, ptPainterOffset = 32, ptRecordSize = 40 };

#endif /* QUORVEL_PRINT_H */
