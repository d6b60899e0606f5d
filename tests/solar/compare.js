// The sun's position from the program (the probe given as the argument)
// against astronomy-engine's, with its standard refraction, at random
// places and instants from 1900 to 2100: the angle between the two
// directions stays within 0.03 degrees while the sun stands over 1 degree.
'use strict';
const { execFileSync } = require('child_process');
const Astronomy = require('astronomy-engine');

// A small seeded generator, so that every run checks the same cases.
function mulberry32(seed) {
    return function () {
        seed |= 0; seed = (seed + 0x6d2b79f5) | 0;
        let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
        t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
        return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
    };
}

const random = mulberry32(20260621);
const from = Date.UTC(1900, 0, 1) / 1000, to = Date.UTC(2100, 11, 31) / 1000;
const cases = [];
for (let n = 0; n < 20000; ++n) {
    const lat = Math.asin(2 * random() - 1) * 180 / Math.PI * 0.999; // even over the sphere, poles left out
    const lon = 360 * random() - 180;
    const seconds = Math.floor(from + (to - from) * random());
    cases.push({ lat, lon, seconds });
}
const input = cases.map(c => `${c.lat} ${c.lon} ${c.seconds}`).join('\n') + '\n';
const lines = execFileSync(process.argv[2], { input, maxBuffer: 1 << 26 }).toString().trim().split('\n');
if (lines.length !== cases.length) throw new Error(`the probe answered ${lines.length} of ${cases.length} cases`);

function direction(azimuth, altitude) {
    const a = azimuth * Math.PI / 180, e = altitude * Math.PI / 180;
    return [Math.cos(e) * Math.sin(a), Math.cos(e) * Math.cos(a), Math.sin(e)];
}

let checked = 0, worst = 0, worstCase = null;
cases.forEach((c, i) => {
    const time = Astronomy.MakeTime(new Date(c.seconds * 1000));
    const observer = new Astronomy.Observer(c.lat, c.lon, 0);
    const eq = Astronomy.Equator(Astronomy.Body.Sun, time, observer, true, true);
    const hor = Astronomy.Horizon(time, observer, eq.ra, eq.dec, 'normal');
    if (hor.altitude <= 1) return;
    const [az, alt] = lines[i].split(' ').map(Number);
    const u = direction(az, alt), v = direction(hor.azimuth, hor.altitude);
    const dot = Math.min(1, u[0] * v[0] + u[1] * v[1] + u[2] * v[2]);
    const angle = Math.acos(dot) * 180 / Math.PI;
    ++checked;
    if (angle > worst) { worst = angle; worstCase = { ...c, az, alt, refAz: hor.azimuth, refAlt: hor.altitude }; }
});
console.log(`${checked} positions with the sun over 1 degree; largest angle ${worst.toFixed(5)} degrees`);
if (checked < 5000) throw new Error('too few positions with the sun up were checked');
if (worst > 0.03) {
    console.error('farthest apart:', JSON.stringify(worstCase));
    process.exit(1);
}
