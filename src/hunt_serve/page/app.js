// The live page: polls the targets and the recent hits every few seconds
// (?refresh=SECONDS changes the pace), refetches a target's series when it has
// run a new cycle, and asks for the server's token once when it wants one.
import { Unauthorized, getJson, storeToken } from "./api.js";
import { TargetCharts } from "./charts.js";
import { showHits } from "./hits.js";
import { NumberTable } from "./numbers.js";
import { TargetCards } from "./targets.js";
import { time } from "./text.js";

const kHitCount = 20;
const refreshSeconds = Math.max(1, Number(new URLSearchParams(location.search).get("refresh")) || 5);

const charts = new Map();
const lastCycles = new Map();
const cards = new TargetCards(document.getElementById("targets"), (target, container) => {
    charts.set(target.id, new TargetCharts(container));
});
const numbers = new NumberTable(document.getElementById("number-filters"), showError);
const status = document.getElementById("status");
const tokenForm = document.getElementById("token-form");
let timer = null;
// Which run of polls is current: a run that a stop ended sets no next poll.
let pollGeneration = 0;

function showError(error) {
    if (error instanceof Unauthorized) {
        stop();
        tokenForm.hidden = false;
        tokenForm.elements.token.focus();
        status.textContent = "需要令牌 the server wants its token";
        return;
    }
    status.textContent = `连接失败 cannot reach the server: ${error.message}`;
    status.classList.add("failing");
}

async function refreshSeries(target) {
    if (lastCycles.get(target.id) === target.cycles) return;
    const series = await getJson(`/api/targets/${target.id}/series`);
    charts.get(target.id)?.show(series);
    lastCycles.set(target.id, target.cycles);
}

// One request after another: the server answers each page on few threads,
// and a page that held several connections open would keep others waiting.
async function poll() {
    try {
        const answer = await getJson("/api/targets");
        cards.show(answer.targets);
        numbers.knowTargets(answer.targets);
        const hits = await getJson(`/api/hits?limit=${kHitCount}`);
        showHits(document.getElementById("hit-list"), hits.hits);
        for (const target of answer.targets) await refreshSeries(target);
        status.textContent = `更新于 updated ${time(answer.now)}`;
        status.classList.remove("failing");
    } catch (error) {
        showError(error);
    }
}

// The next poll is set once this one has its answers, so a slow answer
// never piles polls up.
async function pollAndSchedule(generation) {
    await poll();
    if (generation === pollGeneration) {
        timer = setTimeout(() => pollAndSchedule(generation), refreshSeconds * 1000);
    }
}

function start() {
    stop();
    pollAndSchedule(pollGeneration);
}

function stop() {
    ++pollGeneration;
    if (timer !== null) clearTimeout(timer);
    timer = null;
}

tokenForm.addEventListener("submit", (event) => {
    event.preventDefault();
    const token = tokenForm.elements.token.value.trim();
    if (!token) return;
    storeToken(token);
    tokenForm.reset();
    tokenForm.hidden = true;
    start();
    numbers.load();
});

start();
numbers.load();
