// The three charts of a target over time, drawn by uPlot (bundled with the
// page) from /api/targets/{id}/series: new numbers per hour; distinct numbers
// against the pool estimate and its 95 % band, where a lower bound is drawn
// as a separate dashed line labelled as one and never given the band; replies
// and failures, with each bucket that held a backoff marked.
import { caption, el } from "./text.js";

const kHeight = 170;
const kColours = {
    newNumbers: "#2f6fb0",
    distinct: "#1b1b1b",
    estimate: "#c0392b",
    band: "rgba(192, 57, 43, 0.15)",
    lowerBound: "#8e44ad",
    replies: "#27ae60",
    failures: "#e67e22",
    backoffs: "#c0392b",
};

function line(label, stroke, extra = {}) {
    return { label, stroke, width: 1.5, spanGaps: false, ...extra };
}

// A series with only a few values (a figure known at the last point alone)
// would draw no line at all: its values are marked with points instead.
function sparsePoints(size, colour) {
    const few = (values) => values.reduce((count, v) => count + (v === null ? 0 : 1), 0) < 30;
    return { show: (u, index) => few(u.data[index]), size, fill: colour };
}

const kHourMs = 3600000;

// New numbers per hour at each point: those of the hour up to the end of its
// bucket (of the time since the first bucket, early on). A bucket's own count
// would swing between nothing and plenty when cycles are sparser than buckets.
function perHour(points, step) {
    const window = Math.max(step, kHourMs);
    const rates = [];
    let sum = 0;
    let first = 0;
    for (let i = 0; i < points.length; ++i) {
        sum += points[i].new_numbers;
        while (points[first].t <= points[i].t - window) sum -= points[first++].new_numbers;
        const covered = Math.min(window, points[i].t + step - points[0].t);
        rates.push(sum / (covered / kHourMs));
    }
    return rates;
}

// Columns of the series in uPlot's layout: times in seconds, then one array per line.
function columns(series) {
    const points = series.points || [];
    const at = (p, kind, value) => (p.estimate_kind === kind ? value : null);
    return {
        perHour: [points.map((p) => p.t / 1000), perHour(points, series.step_ms)],
        pool: [
            points.map((p) => p.t / 1000),
            points.map((p) => p.distinct),
            points.map((p) => at(p, "estimate", p.estimate)),
            points.map((p) => at(p, "estimate", p.low)),
            points.map((p) => at(p, "estimate", p.high)),
            points.map((p) => at(p, "lower_bound", p.estimate)),
        ],
        replies: [
            points.map((p) => p.t / 1000),
            points.map((p) => p.replies),
            points.map((p) => p.failures),
            points.map((p) => (p.backoffs > 0 ? p.failures : null)),
        ],
    };
}

// Counts take whole-number steps on their axis.
const kCountSteps = [1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000,
    100000, 200000, 500000, 1000000];

function chartOptions(width, series) {
    return { width, height: kHeight, legend: { live: false }, cursor: { drag: { x: false } },
        scales: { x: { time: true } }, axes: [{}, { incrs: kCountSteps }],
        series: [{}, ...series] };
}

const kCharts = [
    {
        key: "perHour",
        zh: "每小时新号",
        en: "new numbers per hour",
        series: () => [line("新号/时 new/h", kColours.newNumbers,
            { fill: "rgba(47, 111, 176, 0.15)" })],
    },
    {
        key: "pool",
        zh: "不同号码与号池估计",
        en: "distinct numbers and the pool estimate",
        series: () => [
            line("不同号码 distinct", kColours.distinct),
            line("估计 estimate", kColours.estimate, { points: sparsePoints(7, kColours.estimate) }),
            line("95% 下限 low", kColours.estimate, { width: 0.5, dash: [2, 3] }),
            line("95% 上限 high", kColours.estimate, { width: 0.5, dash: [2, 3] }),
            line("下界 lower bound (at least)", kColours.lowerBound,
                { dash: [8, 5], points: sparsePoints(9, kColours.lowerBound) }),
        ],
        bands: [{ series: [4, 3], fill: kColours.band }],
    },
    {
        key: "replies",
        zh: "回复与失败（▲ 退避）",
        en: "replies and failures (▲ backoff)",
        series: () => [
            line("回复 replies", kColours.replies),
            line("失败 failures", kColours.failures),
            {
                label: "▲ 退避 backoff",
                stroke: kColours.backoffs,
                paths: () => null,
                points: { show: true, size: 9, fill: kColours.backoffs, stroke: kColours.backoffs },
            },
        ],
    },
];

export class TargetCharts {
    constructor(container) {
        this.plots = [];
        const empty = columns({ step_ms: 1, points: [] });
        for (const chart of kCharts) {
            const figure = el("figure", `chart chart-${chart.key}`);
            const title = el("figcaption");
            title.append(caption(chart.zh, chart.en));
            figure.append(title);
            container.append(figure);
            const options = chartOptions(widthOf(figure), chart.series());
            if (chart.bands) options.bands = chart.bands;
            const plot = new uPlot(options, empty[chart.key], figure);
            // Each chart follows its own cell's width: three abreast on a wide
            // screen, one under another on a phone.
            new ResizeObserver(() => plot.setSize({ width: widthOf(figure), height: kHeight }))
                .observe(figure);
            this.plots.push({ key: chart.key, plot });
        }
    }

    show(series) {
        const data = columns(series);
        for (const { key, plot } of this.plots) plot.setData(data[key]);
    }
}

function widthOf(figure) {
    return Math.max(200, Math.floor(figure.clientWidth));
}
