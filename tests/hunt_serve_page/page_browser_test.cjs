// The page of `qorvex-hunt serve` in headless Chromium, against the real
// server on a real history: the figures shown are the API's, the charts draw,
// a filter narrows the table, a new cycle shows without a reload, a label
// made of markup stays text, and a server that wants a token gets it once.
// Screenshots at phone and desktop width are left in the --out folder.
//
//   node page_browser_test.cjs --hunt BIN --history-writer BIN --chromium BIN --out DIR
"use strict";
const assert = require("node:assert/strict");
const { after, before, test } = require("node:test");
const { execFileSync, spawn } = require("node:child_process");
const fs = require("node:fs");
const http = require("node:http");
const net = require("node:net");
const path = require("node:path");
const { chromium } = require("playwright-core");

const args = {};
for (let i = 2; i + 1 < process.argv.length; i += 2) args[process.argv[i].slice(2)] = process.argv[i + 1];
if (!args.chromium || !fs.existsSync(args.chromium)) {
    throw new Error("Chromium was not found: run scripts/setup (Debian package chromium)");
}
const history = path.join(args.out, "page-history.db");
const tokenFile = path.join(args.out, "page-token");
const kToken = "page-test-token-5d1f";
const servers = [];
let browser;
let base;
let page;

function freePort() {
    return new Promise((resolve, reject) => {
        const probe = net.createServer().listen(0, "127.0.0.1", () => {
            const { port } = probe.address();
            probe.close(() => resolve(port));
        }).on("error", reject);
    });
}

async function startServer(extra) {
    const port = await freePort();
    const server = spawn(args.hunt, ["serve", "--db", history, "--listen", `127.0.0.1:${port}`,
        ...extra], { stdio: ["ignore", "inherit", "inherit"] });
    servers.push(server);
    const url = `http://127.0.0.1:${port}`;
    for (let tries = 0; tries < 100; ++tries) {
        if (server.exitCode !== null) throw new Error(`serve ended with status ${server.exitCode}`);
        try {
            await get(`${url}/`);
            return url;
        } catch {
            await new Promise((resolve) => setTimeout(resolve, 100));
        }
    }
    throw new Error("serve did not answer within 10 s");
}

// A GET on a connection of its own, closed after the answer: the server
// answers on a few threads, and an idle kept-alive connection holds one.
function get(url) {
    return new Promise((resolve, reject) => {
        http.get(url, { agent: false }, (reply) => {
            let body = "";
            reply.setEncoding("utf8");
            reply.on("data", (chunk) => { body += chunk; });
            reply.on("end", () => resolve({ status: reply.statusCode, body }));
        }).on("error", reject);
    });
}

async function api(pathAndQuery) {
    const reply = await get(base + pathAndQuery);
    assert.equal(reply.status, 200, pathAndQuery);
    return JSON.parse(reply.body);
}

async function openPage(width) {
    const opened = await browser.newPage({ viewport: { width, height: 900 } });
    const errors = [];
    opened.on("pageerror", (error) => errors.push(error.message));
    opened.errors = errors;
    return opened;
}

// The text of one figure of a target's card.
function figure(id, field) {
    return page.locator(`section[data-target-id="${id}"] [data-field="${field}"] dd`).innerText();
}

const digits = (text) => text.replace(/\D/g, "");
const grouped = (value) => Math.round(value).toLocaleString("en-US");
const share = (value) => `${(value * 100).toFixed(1)}%`;

before(async () => {
    fs.mkdirSync(args.out, { recursive: true });
    for (const file of [history, `${history}-wal`, `${history}-shm`]) fs.rmSync(file, { force: true });
    execFileSync(args["history-writer"], [history]);
    fs.writeFileSync(tokenFile, `${kToken}\n`, { mode: 0o600 });
    base = await startServer([]);
    browser = await chromium.launch({ executablePath: args.chromium, args: ["--no-sandbox"] });
    page = await openPage(1280);
    await page.goto(`${base}/?refresh=1`);
    await page.locator("#status", { hasText: "updated" }).waitFor();
});

after(async () => {
    await browser?.close();
    for (const server of servers) server.kill("SIGTERM");
});

test("the figures shown are the API's", async () => {
    const { targets } = await api("/api/targets");
    assert.equal(targets.length, 2);
    assert.equal(await page.locator("section.target").count(), targets.length);
    for (const target of targets) {
        const id = target.id;
        await page.locator(`section[data-target-id="${id}"] h2`, { hasText: target.label }).waitFor();
        assert.equal(digits(await figure(id, "cycles")), String(target.cycles));
        assert.equal(digits(await figure(id, "distinct")), String(target.distinct_numbers));
        assert.equal(digits(await figure(id, "hits")), String(target.hits));
        const state = await figure(id, "state");
        assert.ok(state.includes(target.state), state);
        assert.ok(state.includes(target.state_reason ?? ""), state);

        const estimate = await figure(id, "estimate");
        if (target.estimate.kind === "none") {
            assert.ok(estimate.includes("not estimated"), estimate);
        } else {
            assert.ok(estimate.includes(grouped(target.estimate.value)), estimate);
            assert.equal(estimate.includes("at least"), target.estimate.kind === "lower_bound", estimate);
            if (target.estimate.low !== null) assert.ok(estimate.includes(grouped(target.estimate.low)));
        }
        const coverage = await figure(id, "coverage");
        if (target.coverage.kind !== "none") {
            assert.ok(coverage.includes(share(target.coverage.value)), coverage);
            assert.equal(coverage.includes("at most"), target.coverage.kind === "upper_bound", coverage);
        }
        const known = await figure(id, "sample-coverage");
        assert.equal(known, target.sample_coverage === null ? "—" : share(target.sample_coverage));
    }
    const { hits } = await api("/api/hits?limit=20");
    assert.ok(hits.length > 0, "the history holds hits");
    const shown = await page.locator("#hit-list .hit .number").allInnerTexts();
    assert.deepEqual(shown, hits.map((hit) => hit.number));
});

// Pixels of one colour on a chart's canvas: the axes and grid are grey, so
// a series' own colour shows that its line was drawn.
function colourPixels(id, chart, [r, g, b]) {
    return page.locator(`section[data-target-id="${id}"] .chart-${chart} canvas`).evaluate(
        (canvas, [r, g, b]) => {
            const { data } = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height);
            let count = 0;
            for (let i = 0; i < data.length; i += 4) {
                const near = Math.abs(data[i] - r) + Math.abs(data[i + 1] - g) + Math.abs(data[i + 2] - b);
                if (data[i + 3] > 200 && near < 40) ++count;
            }
            return count;
        }, [r, g, b]);
}

test("the charts draw each target's series, a lower bound never as an estimate", async () => {
    const { targets } = await api("/api/targets");
    for (const target of targets) {
        const { points } = await api(`/api/targets/${target.id}/series`);
        assert.ok(points.length > 1, `series of ${target.label}`);
        const kinds = new Set(points.map((point) => point.estimate_kind));
        const rows = [
            ["perHour", [47, 111, 176], true],
            ["replies", [39, 174, 96], true],
            ["pool", [192, 57, 43], kinds.has("estimate")],
            ["pool", [142, 68, 173], kinds.has("lower_bound")],
        ];
        for (const [chart, colour, drawn] of rows) {
            const count = await colourPixels(target.id, chart, colour);
            assert.equal(count > 20, drawn, `${target.label} ${chart} ${colour}: ${count} pixels`);
        }
    }
});

async function rowsAfterFilter(fields) {
    const form = page.locator("#number-filters");
    await form.evaluate((node) => node.reset());
    for (const [name, value] of Object.entries(fields)) {
        const field = form.locator(`[name="${name}"]`);
        if (await field.evaluate((node) => node.tagName === "SELECT")) await field.selectOption(value);
        else await field.fill(value);
    }
    const answered = page.waitForResponse((reply) => reply.url().includes("/api/numbers"));
    await form.locator("button[type=submit]").click();
    await answered;
    await page.waitForTimeout(100);
    return page.locator("#number-table tbody tr").evaluateAll((rows) =>
        rows.map((row) => Array.from(row.cells, (cell) => cell.innerText)));
}

test("a filter narrows the table to the rows it names", async () => {
    const { targets } = await api("/api/targets");
    const hostile = targets.find((target) => target.label.startsWith("<img"));
    const all = await rowsAfterFilter({});
    assert.ok(all.length > 10, `${all.length} rows unfiltered`);
    const cases = [
        ["class", { class: "AAA" }, (row) => row[2].split(" ").includes("AAA")],
        ["text", { text: "888" }, (row) => row[0].includes("888")],
        ["target", { target: String(hostile.id) }, (row) => row[1] === hostile.label],
        ["custom pattern", { pattern: "^13800008" }, (row) => row[0].startsWith("13800008")],
    ];
    for (const [label, fields, matches] of cases) {
        const rows = await rowsAfterFilter(fields);
        assert.ok(rows.length > 0, `${label}: no rows`);
        assert.ok(rows.length < all.length || label === "target", `${label}: ${rows.length} rows`);
        for (const row of rows) assert.ok(matches(row), `${label}: ${row.join(" | ")}`);
    }
    // The download link carries the filter shown: the whole AAA set, as CSV.
    const aaa = await rowsAfterFilter({ class: "AAA" });
    const link = await page.locator("#download-csv").getAttribute("href");
    const csv = await get(new URL(link, base).href);
    assert.equal(csv.status, 200);
    const records = csv.body.trim().split("\n").slice(1);
    assert.equal(records.length, aaa.length);
    for (const record of records) assert.ok(record.includes("AAA"), record);

    await rowsAfterFilter({ pattern: "(" });
    const refusal = page.locator("#number-error");
    assert.ok(await refusal.isVisible(), "a bad pattern is refused with the server's reason");
    assert.ok((await refusal.innerText()).length > "筛选被拒 filter refused: ".length);
});

test("a new cycle shows without a reload", async () => {
    const { targets } = await api("/api/targets");
    const target = targets.find((each) => each.label === "Tavikmax/广东/深圳");
    await page.evaluate(() => { window.__sameDocument = true; });
    execFileSync(args["history-writer"], [history, "--append"]);
    await page.waitForFunction(([id, cycles]) => {
        const shown = document.querySelector(`section[data-target-id="${id}"] [data-field="cycles"] dd`);
        return shown && shown.textContent.replace(/\D/g, "") === String(cycles);
    }, [target.id, target.cycles + 1], { timeout: 8000 });
    assert.equal(await page.evaluate(() => window.__sameDocument), true);
});

test("a label made of markup is shown as text and never runs", async () => {
    const { targets } = await api("/api/targets");
    const hostile = targets.find((target) => target.label.startsWith("<img"));
    const title = page.locator(`section[data-target-id="${hostile.id}"] h2`);
    assert.equal(await title.innerText(), hostile.label);
    assert.equal(await page.locator("main img, #hit-list img, option img").count(), 0);
    assert.equal(await page.evaluate(() => window.__pwned), undefined);
    assert.deepEqual(page.errors, []);
});

test("screenshots at phone and desktop width", async () => {
    await page.close();
    for (const width of [390, 1280]) {
        const shot = await openPage(width);
        await shot.goto(base);
        await shot.locator("#status", { hasText: "updated" }).waitFor();
        await shot.locator("#number-table tbody tr").first().waitFor();
        // The first page of numbers may come before the targets: it names
        // them by label all the same.
        const labels = new Set((await api("/api/targets")).targets.map((each) => each.label));
        const named = await shot.locator("#number-table tbody tr td:nth-child(2)").allInnerTexts();
        for (const label of named) assert.ok(labels.has(label), `target shown as "${label}"`);
        const file = path.join(args.out, `page-${width}.png`);
        await shot.screenshot({ path: file, fullPage: true });
        assert.ok(fs.statSync(file).size > 10000);
        const overflow = await shot.evaluate(() => document.documentElement.scrollWidth - innerWidth);
        assert.ok(overflow <= 0, `the page is ${overflow} px wider than a ${width} px screen`);
        await shot.close();
    }
});

test("a server that wants a token gets it once, and only as a bearer header", async () => {
    const guarded = await startServer(["--token-file", tokenFile]);
    assert.equal((await get(`${guarded}/api/targets`)).status, 401);
    const asked = await openPage(1280);
    await asked.goto(guarded);
    const form = asked.locator("#token-form");
    await form.waitFor({ state: "visible" });
    const sent = asked.waitForRequest((request) => request.url().endsWith("/api/targets") &&
        request.headers().authorization === `Bearer ${kToken}`);
    await form.locator("input[name=token]").fill(kToken);
    await form.locator("button[type=submit]").click();
    await sent;
    await asked.locator("#status", { hasText: "updated" }).waitFor();
    await asked.reload();
    await asked.locator("#status", { hasText: "updated" }).waitFor();
    assert.equal(await form.isVisible(), false, "asked again after a reload");
    await asked.close();
});
