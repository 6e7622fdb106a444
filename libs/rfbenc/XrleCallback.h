// Hooks through which the tile encoder reports its progress to its owner.
//
// XrleTileEncoder::encodeRect calls them around every tile row and every
// tile, synchronously, on the encoding thread. An owner that limits the
// size of its output records stream positions in rowStart/tileStart and
// flushes its compressor in tileEnd/rowEnd, so that it can cut an update at
// a tile or row boundary. Every hook may throw; the exception leaves
// encodeRect with the current tile still recorded in the tile encoder.
#pragma once

namespace rfb {

class XrleCallback {
public:
  virtual ~XrleCallback() {}
  // Before the first tile of a tile row.
  virtual void rowStart() {}
  // After the tile's pixels are fetched, before it is analysed.
  virtual void tileStart() {}
  // After analysis; false skips writing the tile.
  virtual bool wantTile() { return true; }
  // After the tile was written (or skipped).
  virtual void tileEnd() {}
  // After the last tile of a tile row.
  virtual void rowEnd() {}
};

} // namespace rfb
