// Converts the land outlines of Natural Earth (public domain), as the npm
// package world-atlas (ISC licence) redistributes them in TopoJSON, into the
// compact file the sun-cycle calculator's world map reads:
// resources/map/land.bin. Run once, from the repository root:
//
//   npm pack world-atlas@2.0.2 && tar xzf world-atlas-2.0.2.tgz
//   node resources/tools/landmap.mjs package/land-50m.json resources/map/land.bin
//
// The file:
//   "CVMLAND1"                     8 bytes
//   ring count                     u32, little-endian
//   per ring: kind (u8: 0 land, 1 a lake or sea inside land), point count
//   (u32), then each point as the difference from the one before (the first
//   from 0, 0) in hundredths of a degree, longitude then latitude, each a
//   zigzag-coded variable-length integer (7 bits a byte, low bits first).
// Longitudes run on past 180 degrees where a ring crosses it, and a ring
// round a pole is closed along the pole; the reader leaves edges along a
// pole out of the coastline.
import { readFileSync, writeFileSync } from "node:fs";

const [input, output] = process.argv.slice(2);
if (!input || !output) {
  console.error("usage: node landmap.mjs land-50m.json land.bin");
  process.exit(2);
}
const topo = JSON.parse(readFileSync(input, "utf8"));
const { scale, translate } = topo.transform;

// Arcs are quantized and delta-coded; decode each into degrees once.
const arcs = topo.arcs.map((arc) => {
  let x = 0, y = 0;
  return arc.map(([dx, dy]) => {
    x += dx;
    y += dy;
    return [x * scale[0] + translate[0], y * scale[1] + translate[1]];
  });
});

function ringPoints(arcIndexes) {
  const pts = [];
  for (const i of arcIndexes) {
    const arc = i >= 0 ? arcs[i] : arcs[~i].slice().reverse();
    // Consecutive arcs share their joining point.
    pts.push(...(pts.length ? arc.slice(1) : arc));
  }
  return pts;
}

// On the sphere a ring may step across 180 degrees (eastern Siberia, Fiji)
// or go once round a pole (Antarctica). On the flat map each step must stay
// short: longitudes are carried on past 180, and a ring round a pole is
// closed along that pole.
function unwrap(pts) {
  const out = [pts[0].slice()];
  for (let k = 1; k < pts.length; ++k) {
    let lon = pts[k][0];
    const prev = out[k - 1][0];
    while (lon - prev > 180) lon -= 360;
    while (prev - lon > 180) lon += 360;
    out.push([lon, pts[k][1]]);
  }
  const turn = out[out.length - 1][0] - out[0][0];
  if (Math.abs(turn) > 180) {
    const pole = out.reduce((s, p) => s + p[1], 0) < 0 ? -90 : 90;
    out.push([out[out.length - 1][0], pole], [out[0][0], pole], out[0].slice());
  }
  return out;
}

// Douglas-Peucker at 0.02 degree, 0.3 pixel at the zoomed map's 15 pixels
// per degree: nothing visible is lost.
const kTolerance = 0.02;
function simplify(pts) {
  if (pts.length <= 4) return pts;
  const keep = new Uint8Array(pts.length);
  keep[0] = keep[pts.length - 1] = 1;
  const stack = [[0, pts.length - 1]];
  while (stack.length) {
    const [a, b] = stack.pop();
    const [ax, ay] = pts[a], [bx, by] = pts[b];
    const dx = bx - ax, dy = by - ay, len = Math.hypot(dx, dy);
    let worst = -1, at = -1;
    for (let i = a + 1; i < b; ++i) {
      const [px, py] = pts[i];
      const d = len === 0 ? Math.hypot(px - ax, py - ay) : Math.abs(dx * (ay - py) - dy * (ax - px)) / len;
      if (d > worst) {
        worst = d;
        at = i;
      }
    }
    if (worst > kTolerance) {
      keep[at] = 1;
      stack.push([a, at], [at, b]);
    }
  }
  return pts.filter((_, i) => keep[i]);
}

const rings = [];
for (const g of topo.objects.land.geometries) {
  const polygons = g.type === "Polygon" ? [g.arcs] : g.type === "MultiPolygon" ? g.arcs : [];
  for (const polygon of polygons)
    polygon.forEach((ring, index) => {
      const pts = simplify(unwrap(ringPoints(ring))).map(([x, y]) => [Math.round(x * 100), Math.round(y * 100)]);
      const unique = pts.filter((p, i) => i === 0 || p[0] !== pts[i - 1][0] || p[1] !== pts[i - 1][1]);
      // Natural Earth's run along the pole under Antarctica encloses nothing.
      const flat = unique.every((p) => p[1] === unique[0][1]);
      if (unique.length >= 4 && !flat) rings.push({ kind: index === 0 ? 0 : 1, pts: unique });
    });
}

const bytes = [];
const u32 = (v) => bytes.push(v & 255, (v >>> 8) & 255, (v >>> 16) & 255, (v >>> 24) & 255);
const varint = (v) => {
  let z = v >= 0 ? 2 * v : -2 * v - 1;
  while (z >= 128) {
    bytes.push((z & 127) | 128);
    z = Math.floor(z / 128);
  }
  bytes.push(z);
};
for (const c of "CVMLAND1") bytes.push(c.charCodeAt(0));
u32(rings.length);
let total = 0;
for (const r of rings) {
  bytes.push(r.kind);
  u32(r.pts.length);
  let lx = 0, ly = 0;
  for (const [x, y] of r.pts) {
    varint(x - lx);
    varint(y - ly);
    lx = x;
    ly = y;
  }
  total += r.pts.length;
}
writeFileSync(output, Buffer.from(bytes));
console.log(`${rings.length} rings, ${total} points, ${bytes.length} bytes`);
