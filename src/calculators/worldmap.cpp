#include "calculators/worldmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr char kMagic[] = "CVMLAND1";
constexpr int32_t kCutLongitude = 18000;   // hundredths of a degree
constexpr int32_t kPoleLatitude = 8999;
// A ring runs on past 180 degrees by less than a turn and a half; a point
// beyond is damage, and so kept out, the projection's sums stay small.
constexpr int64_t kMaxLongitude = 54000;
constexpr int64_t kMaxLatitude = 9000;

struct Reader {
  std::span<const uint8_t> b;
  size_t at = 0;
  bool ok = true;
  uint32_t u32() {
    if (b.size() - at < 4) {
      ok = false;
      return 0;
    }
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | b[at + static_cast<size_t>(i)];
    at += 4;
    return v;
  }
  uint8_t u8() {
    if (at >= b.size()) {
      ok = false;
      return 0;
    }
    return b[at++];
  }
  // Zigzag-coded, 7 bits a byte, low bits first; at most 42 bits.
  int64_t varint() {
    uint64_t z = 0;
    for (int shift = 0; ok; shift += 7) {
      if (shift > 35) {
        ok = false;
        break;
      }
      const uint8_t c = u8();
      z |= static_cast<uint64_t>(c & 0x7F) << shift;
      if (!(c & 0x80)) break;
    }
    return z & 1 ? -static_cast<int64_t>(z >> 1) - 1 : static_cast<int64_t>(z >> 1);
  }
};

// An edge that only closes a ring where land is cut: along a pole, or along
// 180 degrees. Drawn, it would read as a coast.
bool cutEdge(int32_t lon1, int32_t lat1, int32_t lon2, int32_t lat2) {
  if (std::abs(lon1) == kCutLongitude && lon1 == lon2) return true;
  return std::abs(lat1) >= kPoleLatitude && std::abs(lat2) >= kPoleLatitude;
}

}  // namespace

bool ParseLandOutlines(std::span<const uint8_t> bytes, LandOutlines* out) {
  if (bytes.size() < 12 || std::memcmp(bytes.data(), kMagic, 8) != 0) return false;
  Reader r{bytes, 8};
  const uint32_t count = r.u32();
  // Every ring takes at least five bytes: a count beyond that is damage.
  if (!r.ok || count > bytes.size() / 5) return false;
  LandOutlines land;
  land.rings.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    LandRing ring;
    ring.lake = r.u8() != 0;
    const uint32_t n = r.u32();
    if (!r.ok || n > (bytes.size() - r.at) / 2) return false;
    ring.lon.resize(n);
    ring.lat.resize(n);
    int64_t lon = 0, lat = 0;
    for (uint32_t k = 0; k < n && r.ok; ++k) {
      lon += r.varint();
      lat += r.varint();
      if (std::abs(lon) > kMaxLongitude || std::abs(lat) > kMaxLatitude) return false;
      ring.lon[k] = static_cast<int32_t>(lon);
      ring.lat[k] = static_cast<int32_t>(lat);
    }
    if (!r.ok) return false;
    land.rings.push_back(std::move(ring));
  }
  *out = std::move(land);
  return true;
}

bool LoadLandOutlines(const std::filesystem::path& file, LandOutlines* out) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return ParseLandOutlines(bytes, out);
}

MapFrame UnzoomedMapFrame() { return {0, 30, 3, 4}; }

MapFrame ZoomedMapFrame(int xOffset, int yOffset) { return {xOffset, yOffset + 30, 15, 15}; }

plat::Point MapPixelOf(const MapFrame& f, double lonEast, double latNorth) {
  return {static_cast<int>(std::lround(f.left + (lonEast + 180.0) * f.perDegreeX)),
          static_cast<int>(std::lround(f.top + (90.0 - latNorth) * f.perDegreeY))};
}

std::vector<ProjectedRing> ProjectLand(const LandOutlines& land, const MapFrame& f, plat::Rect visible) {
  std::vector<ProjectedRing> out;
  // Hundredths of a degree to pixels, exactly in integers where the scale
  // allows: x = left + (lon + 18000) * perDegreeX / 100.
  auto px = [&](int32_t lon, int shift) {
    return f.left + static_cast<int>(std::lround((int64_t{lon} + 18000 + shift) * f.perDegreeX / 100.0));
  };
  auto py = [&](int32_t lat) {
    return f.top + static_cast<int>(std::lround((9000 - int64_t{lat}) * f.perDegreeY / 100.0));
  };
  for (const LandRing& ring : land.rings) {
    if (ring.lon.size() < 3) continue;
    const auto [lo, hi] = std::minmax_element(ring.lon.begin(), ring.lon.end());
    const auto [south, north] = std::minmax_element(ring.lat.begin(), ring.lat.end());
    if (py(*north) >= visible.bottom || py(*south) < visible.top) continue;
    // Longitudes run past 180 where a ring crosses it: a copy a turn to
    // either side shows what lies beyond the map's edges.
    for (const int shift : {-36000, 0, 36000}) {
      if (px(*hi, shift) < visible.left || px(*lo, shift) >= visible.right) continue;
      ProjectedRing p;
      p.lake = ring.lake;
      p.polygon.reserve(ring.lon.size());
      for (size_t k = 0; k < ring.lon.size(); ++k) p.polygon.push_back({px(ring.lon[k], shift), py(ring.lat[k])});
      for (size_t k = 0; k < ring.lon.size(); ++k) {
        const size_t j = (k + 1) % ring.lon.size();
        if (cutEdge(ring.lon[k], ring.lat[k], ring.lon[j], ring.lat[j])) continue;
        p.coast.push_back(p.polygon[k]);
        p.coast.push_back(p.polygon[j]);
      }
      out.push_back(std::move(p));
    }
  }
  return out;
}
