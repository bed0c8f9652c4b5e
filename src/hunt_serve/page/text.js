// Captions in Chinese with English beside them, and the figures' formats.
// Everything here builds DOM nodes from text: no value ever reaches innerHTML.

export function el(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined && text !== null) node.textContent = String(text);
    return node;
}

// A caption: the Chinese words, then the English ones in a quieter type.
export function caption(zh, en) {
    const node = el("span", "caption");
    node.append(el("span", "zh", zh), " ", el("span", "en", en));
    return node;
}

export function whole(value) {
    return Math.round(value).toLocaleString("en-US");
}

export function percent(share) {
    return (share * 100).toFixed(1) + "%";
}

export function rate(value) {
    return value < 10 ? value.toFixed(2) : value.toFixed(1);
}

function two(n) {
    return String(n).padStart(2, "0");
}

// Local time as 2026-12-10 18:00:05 (the browser's own zone).
export function time(ms) {
    if (ms === null || ms === undefined) return "—";
    const d = new Date(ms);
    return `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())} ` +
        `${two(d.getHours())}:${two(d.getMinutes())}:${two(d.getSeconds())}`;
}

// The pool estimate exactly as the API labels it: an estimate with its 95 %
// interval, a lower bound said to be one, or none yet.
export function estimateText(estimate) {
    if (!estimate || estimate.kind === "none") return "尚无估计 not estimated yet";
    const interval = intervalText(estimate.low, estimate.high, whole);
    if (estimate.kind === "lower_bound") {
        return `至少 at least ${whole(estimate.value)}${interval}`;
    }
    return `${whole(estimate.value)}${interval}`;
}

// Coverage: an estimate with its interval, or at most a share when the pool is
// only known from below.
export function coverageText(coverage) {
    if (!coverage || coverage.kind === "none") return "—";
    if (coverage.kind === "upper_bound") return `至多 at most ${percent(coverage.value)}`;
    return `${percent(coverage.value)}${intervalText(coverage.low, coverage.high, percent)}`;
}

function intervalText(low, high, format) {
    if (low === null || low === undefined) return "";
    const top = high === null || high === undefined || !Number.isFinite(high) ? "?" : format(high);
    return ` (95%: ${format(low)}–${top})`;
}

const kStates = {
    scanning: ["扫描中", "scanning"],
    resting: ["休息", "resting"],
    stopped: ["已停止", "stopped"],
    idle: ["未运行", "idle"],
};

export function stateCaption(state) {
    const [zh, en] = kStates[state] || ["未知", String(state)];
    return caption(zh, en);
}

// The fourteen classes as the window's pattern grid names them, and the custom pattern.
export const kClassCaptions = ["AAA", "4A+", "AABBB", "AABB", "AABBCC", "ABCABC", "ABCDABCD",
    "ABCD+", "ABCDE", "尾4A/AB/3-1", "尾ABCABC", "尾ABCD", "尾AAA", "ABABAB", "自定义匹配"];
