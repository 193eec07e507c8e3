// Makes the files of the built-in screen effects at build time.
//
//   sample_efc OUTDIR   writes OUTDIR/3do/arrow.3do, OUTDIR/effect/Texture/shiirare.png,
//                       OUTDIR/img/rain.png and OUTDIR/shader/efc_rain.{vs,fs}
#include <cstdio>

#include "sample/tools/efc_assets.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: sample_efc OUTDIR\n");
        return 2;
    }
    return WriteEfcAssets(argv[1]) ? 0 : 1;
}
