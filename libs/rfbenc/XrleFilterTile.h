// Tile analysis of XrleTileEncoder: one pass over a tile's pixels that
// builds the palette, counts runs, writes the palette-RLE form of the tile
// into the scratch area and chooses the subencoding. Included only by
// XrleTileEncoder.cpp, which instantiates it.
#pragma once

#include <rfbenc/XrleEncodeTile.h>
#include <rfbenc/XrleTileEncoder.h>

namespace rfb {

template <class PIXEL_T, int CP_SIZE, int CP_OFFSET>
void XrleTileEncoder::filterTile(PIXEL_T* buf, int w, int h)
{
  const int n = w * h;
  XrlePaletteHelper& pal = *cur_;
  pal.clear();
  reusing_ = false;
  useRle_ = usePalette_ = false;

  // A sentinel that differs from the last pixel ends the last run without
  // a bounds test in the run scan.
  buf[n] = PIXEL_T(~buf[n - 1]);

  int singles = 0, multiRuns = 0;
  uint8_t* rle = rle_;
  const PIXEL_T* p = buf;
  const PIXEL_T* const end = buf + n;
  while (p < end) {
    const PIXEL_T pix = *p;
    const PIXEL_T* q = p + 1;
    while (*q == pix)
      q++;
    const unsigned len = unsigned(q - p);
    p = q;
    if (len == 1)
      singles++;
    else
      multiRuns++;

    if (pal.size >= XrlePaletteHelper::MAX_SIZE) {
      // Full: every further run counts as a new colour, so any tile with
      // a run after its 127th colour ends up overflowed.
      pal.size++;
      continue;
    }
    const uint8_t idx = uint8_t(pal.insert(pix));
    if (len == 1) {
      *rle++ = idx;
    } else if (len == 2) {
      rle[0] = rle[1] = idx;
      rle += 2;
    } else {
      *rle++ = idx | 128;
      rle = xrleWriteRunLength(rle, len - 1);
    }
  }
  rleEnd_ = rle;

  const XrlePaletteHelper* inUse = cur_;
  if (reuseAllowed_ && pal.size <= XrlePaletteHelper::MAX_SIZE) {
    const int np = pal.size, nq = prev_->size;
    if (nq >= np && XrlePaletteHelper::indexWidth(np) ==
                        XrlePaletteHelper::indexWidth(nq)) {
      bool allKnown = true;
      for (int i = 0; i < np && allKnown; i++)
        allKnown = prev_->lookup(pal.palette[i]) >= 0;
      if (allKnown) {
        if (nq == 1) {
          subenc_ = XrleSubPackedPrevious;
          bestSize_ = CP_SIZE;
          return;
        }
        reusing_ = true;
        inUse = prev_;
      }
    }
  }

  const int np = inUse->size;
  if (np == 1 && !reusing_) {
    subenc_ = XrleSubSolid;
    bestSize_ = CP_SIZE;
    return;
  }

  // Size estimates; on a tie the earlier candidate wins (strict <).
  const int paletteBytes = reusing_ ? 0 : np * CP_SIZE;
  int best = n * CP_SIZE;
  subenc_ = XrleSubRaw;
  const int plainRle = (singles + multiRuns) * (CP_SIZE + 1);
  if (best > plainRle) {
    best = plainRle;
    useRle_ = true;
  }
  const uint8_t fallback = useRle_ ? XrleSubPlainRle : XrleSubRaw;
  if (np > XrlePaletteHelper::MAX_SIZE) {
    subenc_ = fallback;
    bestSize_ = best;
    return;
  }
  const int paletteRle = singles + 2 * multiRuns + paletteBytes;
  if (best > paletteRle) {
    best = paletteRle;
    useRle_ = usePalette_ = true;
    if (np > XrleMaxPackedColours) {
      subenc_ = reusing_ ? XrleSubRlePrevious : uint8_t(XrleSubPlainRle + np);
      bestSize_ = best;
      return;
    }
  } else if (np > XrleMaxPackedColours) {
    subenc_ = fallback;
    bestSize_ = best;
    return;
  }

  const uint8_t rleChoice =
      usePalette_
          ? (reusing_ ? XrleSubRlePrevious : uint8_t(XrleSubPlainRle + np))
          : fallback;
  const int packed = XrlePaletteHelper::indexWidth(np) * n / 8 + paletteBytes;
  if (packed < best) {
    subenc_ = reusing_ ? XrleSubPackedPrevious : uint8_t(np);
    best = packed;
  } else {
    subenc_ = rleChoice;
  }
  bestSize_ = best;
}

} // namespace rfb
