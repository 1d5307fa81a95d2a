// The land of the sun-cycle calculator's world map: the outlines of Natural
// Earth in the compact file resources/map/land.bin (made once by
// resources/tools/landmap.mjs, whose header gives the layout), and their
// place in the map's frames. Pure: the map window draws what these return.
#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "platform/types.h"

// One closed outline, in hundredths of a degree (east and north positive).
// Longitudes go on past 180 where the outline crosses it, so that every
// step is short; a ring round a pole is closed along the pole.
struct LandRing {
  bool lake = false;             // water inside land: drawn over it in sea colour
  std::vector<int32_t> lon, lat;
};
struct LandOutlines {
  std::vector<LandRing> rings;
};

// False, with *out untouched, when the bytes are not a land file, end
// before its last ring or place a point off the globe (a latitude past a
// pole, a longitude more than a turn and a half from 0).
bool ParseLandOutlines(std::span<const uint8_t> bytes, LandOutlines* out);
bool LoadLandOutlines(const std::filesystem::path& file, LandOutlines* out);

// Where 180 W, 90 N lies in the window and the pixels a degree each way;
// the mouse mapping of the map works on the same frames.
struct MapFrame {
  int left = 0, top = 30;
  int perDegreeX = 3, perDegreeY = 4;
};
MapFrame UnzoomedMapFrame();                      // (0, 30); 3 across, 4 down
MapFrame ZoomedMapFrame(int xOffset, int yOffset);  // (X0, Y0 + 30); 15 both ways

// The window pixel of a place (degrees, east and north positive), rounded.
plat::Point MapPixelOf(const MapFrame& f, double lonEast, double latNorth);

// A ring in a frame: its polygon, and the coast as segment pairs without
// the straight edges Natural Earth cuts along 180 degrees and the pole.
struct ProjectedRing {
  bool lake = false;
  std::vector<plat::Point> polygon;
  std::vector<plat::Point> coast;
};
// The rings that reach the visible rectangle, each at its own longitude and
// a turn east or west wherever that copy is visible: the map runs on to
// 195 E, repeating the west.
std::vector<ProjectedRing> ProjectLand(const LandOutlines& land, const MapFrame& f, plat::Rect visible);
