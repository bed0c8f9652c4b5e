// One card per target: its state and figures, exactly as /api/targets gives
// them, above its charts. Cards are kept by target id and refilled in place,
// so the charts inside them survive each poll.
import { caption, coverageText, el, estimateText, percent, rate, stateCaption, time, whole }
    from "./text.js";

const kModels = {
    uniform: "均匀 uniform",
    doubtful: "存疑 doubtful",
    uneven: "不均 uneven",
    unknown: "未检验 unknown",
};

function stateValue(target) {
    const node = el("span", `state state-${target.state}`);
    node.append(stateCaption(target.state));
    if (target.state_reason) node.append(el("span", "reason", `: ${target.state_reason}`));
    if (target.state_since) node.append(el("span", "since", ` (${time(target.state_since)})`));
    return node;
}

function figureRows(target) {
    const optional = (value, format) => (value === null || value === undefined ? "—" : format(value));
    return [
        ["state", "状态", "state", stateValue(target)],
        ["cycles", "轮次", "cycles", whole(target.cycles)],
        ["distinct", "不同号码", "distinct numbers", whole(target.distinct_numbers)],
        ["estimate", "号池估计", "pool estimate", estimateText(target.estimate)],
        ["coverage", "覆盖率", "coverage", coverageText(target.coverage)],
        ["sample-coverage", "回复已知", "sample coverage", optional(target.sample_coverage, percent)],
        ["new-per-hour", "预计每小时新号", "expected new per hour", optional(target.new_per_hour, rate)],
        ["model", "抽样", "draws", kModels[target.model] || String(target.model)],
        ["hits", "命中", "hits", whole(target.hits)],
        ["sightings", "出现次数", "sightings", whole(target.sightings)],
        ["failures", "失败 / 退避", "failures / backoffs",
            `${whole(target.failures)} / ${whole(target.backoffs)}`],
        ["last-cycle", "最近一轮", "last cycle", time(target.last_cycle)],
    ];
}

export class TargetCards {
    constructor(container, onNewCard) {
        this.container = container;
        this.onNewCard = onNewCard;
        this.cards = new Map();
    }

    show(targets) {
        const seen = new Set();
        for (const target of targets) {
            seen.add(target.id);
            let card = this.cards.get(target.id);
            if (!card) {
                card = this.create(target);
                this.cards.set(target.id, card);
                this.onNewCard(target, card.charts);
            }
            this.fill(card, target);
        }
        for (const [id, card] of this.cards) {
            if (!seen.has(id)) {
                card.section.remove();
                this.cards.delete(id);
            }
        }
    }

    create(target) {
        const section = el("section", "target");
        section.dataset.targetId = String(target.id);
        const title = el("h2", "target-label");
        const figures = el("dl", "figures");
        const charts = el("div", "charts");
        section.append(title, figures, charts);
        this.container.append(section);
        return { section, title, figures, charts };
    }

    fill(card, target) {
        card.title.textContent = target.label;
        const rows = figureRows(target).map(([field, zh, en, value]) => {
            const row = el("div", "figure");
            row.dataset.field = field;
            const dd = el("dd");
            dd.append(value);
            const dt = el("dt");
            dt.append(caption(zh, en));
            row.append(dt, dd);
            return row;
        });
        card.figures.replaceChildren(...rows);
    }
}
