// Times the first draw of three series of 10,000 points each in the system's
// headless Chromium, for each chart library the page could bundle; prints
// each library's minified size and the median, least and most of seven draws.
//
//   cd bench/page-charts && npm ci && node chart_bench.cjs [/usr/bin/chromium]
"use strict";
const fs = require("node:fs");
const zlib = require("node:zlib");
const { chromium } = require("playwright-core");

const kPoints = 10000;
const kRuns = 7;
const libraries = [
    { name: "uPlot 1.6.32", script: "uplot/dist/uPlot.iife.min.js", style: "uplot/dist/uPlot.min.css" },
    { name: "Chart.js 4.5.1", script: "chart.js/dist/chart.umd.min.js" },
];
const read = (file) => fs.readFileSync(`${__dirname}/node_modules/${file}`, "utf8");

// Runs in the page: builds the columns, then times the library's first draw.
function draw([name, points]) {
    const x = [], a = [], b = [], c = [];
    for (let i = 0; i < points; ++i) {
        x.push(1.7e9 + i * 60);
        a.push(Math.sqrt(i) * 10);
        b.push(1500 + Math.sin(i / 50) * 30);
        c.push(i % 7);
    }
    const host = document.getElementById("chart");
    if (name.startsWith("uPlot")) {
        const started = performance.now();
        new uPlot({ width: 1200, height: 300, series: [{}, { stroke: "red" }, { stroke: "blue" },
            { stroke: "green" }] }, [x, a, b, c], host);
        return performance.now() - started;
    }
    const canvas = document.createElement("canvas");
    canvas.width = 1200;
    canvas.height = 300;
    host.append(canvas);
    const datasets = [a, b, c].map((ys) => ({ data: x.map((t, i) => ({ x: t, y: ys[i] })) }));
    const started = performance.now();
    new Chart(canvas, { type: "line", data: { datasets }, options: { animation: false,
        responsive: false, parsing: false, normalized: true, scales: { x: { type: "linear" } },
        elements: { point: { radius: 0 } } } });
    return performance.now() - started;
}

(async () => {
    const browser = await chromium.launch({ executablePath: process.argv[2] || "/usr/bin/chromium",
        args: ["--no-sandbox"] });
    for (const library of libraries) {
        const times = [];
        for (let run = 0; run < kRuns; ++run) {
            const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
            await page.setContent('<div id="chart"></div>');
            await page.addScriptTag({ content: read(library.script) });
            if (library.style) await page.addStyleTag({ content: read(library.style) });
            times.push(await page.evaluate(draw, [library.name, kPoints]));
            await page.close();
        }
        times.sort((p, q) => p - q);
        const script = fs.readFileSync(`${__dirname}/node_modules/${library.script}`);
        console.log(`${library.name}: ${script.length} bytes, ${zlib.gzipSync(script, { level: 9 }).length} gzipped; ` +
            `draw ${times[kRuns >> 1].toFixed(1)} ms median (${times[0].toFixed(1)}–${times[kRuns - 1].toFixed(1)})`);
    }
    await browser.close();
})();
