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

async function poll() {
    try {
        const [answer, hits] = await Promise.all([getJson("/api/targets"),
            getJson(`/api/hits?limit=${kHitCount}`)]);
        cards.show(answer.targets);
        numbers.knowTargets(answer.targets);
        showHits(document.getElementById("hit-list"), hits.hits);
        await Promise.all(answer.targets.map(refreshSeries));
        status.textContent = `更新于 updated ${time(answer.now)}`;
        status.classList.remove("failing");
    } catch (error) {
        showError(error);
    }
}

function start() {
    stop();
    poll();
    timer = setInterval(poll, refreshSeconds * 1000);
}

function stop() {
    if (timer !== null) clearInterval(timer);
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
