// The table of every number, filtered and paged by the server (keyset pages:
// each answer names the cursor of the next), with downloads of the whole
// filtered set as CSV or JSON.
import { ApiError, download, getJson, storedToken } from "./api.js";
import { el, kClassCaptions, time, whole } from "./text.js";

const kPageSize = 50;
// The JSON download holds one JSON object per line.
const kFileNames = { csv: "numbers.csv", json: "numbers.jsonl" };

function msOf(localTime) {
    return localTime ? String(new Date(localTime).getTime()) : "";
}

export class NumberTable {
    constructor(form, onOtherError) {
        this.form = form;
        this.body = document.querySelector("#number-table tbody");
        this.error = document.getElementById("number-error");
        this.pageLabel = document.getElementById("page-number");
        this.onOtherError = onOtherError;
        this.labels = new Map();
        this.rows = [];
        this.cursors = [null];
        this.next = null;
        for (const name of kClassCaptions) this.form.elements.class.append(option(name, name));
        form.addEventListener("submit", (event) => {
            event.preventDefault();
            this.cursors = [null];
            this.load();
        });
        document.getElementById("previous-page").addEventListener("click", () => {
            if (this.cursors.length > 1) this.cursors.pop();
            this.load();
        });
        document.getElementById("next-page").addEventListener("click", () => {
            if (this.next === null) return;
            this.cursors.push(this.next);
            this.load();
        });
        for (const format of ["csv", "json"]) {
            document.getElementById(`download-${format}`).addEventListener("click", (event) => {
                // With a token the file must be fetched with its header.
                if (!storedToken()) return;
                event.preventDefault();
                download(this.query({ format }), kFileNames[format]).catch((e) => this.fail(e));
            });
        }
    }

    // Keeps the target list of the filter in step with the targets shown.
    knowTargets(targets) {
        const select = this.form.elements.target;
        let renamed = false;
        for (const target of targets) {
            if (this.labels.get(target.id) === target.label) continue;
            this.labels.set(target.id, target.label);
            renamed = true;
            const existing = select.querySelector(`option[value="${target.id}"]`);
            if (existing) existing.textContent = target.label;
            else select.append(option(String(target.id), target.label));
        }
        // A page that came before the targets shows their labels once known.
        if (renamed && this.rows.length > 0) this.showRows();
    }

    filters() {
        const f = this.form.elements;
        return { target: f.target.value, class: f.class.value, pattern: f.pattern.value,
            since: msOf(f.since.value), until: msOf(f.until.value), text: f.text.value.trim() };
    }

    query(extra) {
        const params = new URLSearchParams();
        for (const [name, value] of Object.entries({ ...this.filters(), ...extra })) {
            if (value !== "" && value !== null && value !== undefined) params.set(name, value);
        }
        return `/api/numbers?${params}`;
    }

    async load() {
        const cursor = this.cursors[this.cursors.length - 1];
        const path = this.query({ limit: kPageSize, after: cursor });
        this.updateDownloads();
        try {
            const page = await getJson(path);
            this.error.hidden = true;
            this.next = page.next;
            this.rows = page.rows;
            this.showRows();
            if (page.rows.length === 0) {
                const cell = el("td", "empty", "没有符合的号码 no numbers match");
                cell.colSpan = 6;
                const empty = el("tr");
                empty.append(cell);
                this.body.append(empty);
            }
            this.pageLabel.textContent = `第 ${this.cursors.length} 页 page ${this.cursors.length}`;
            document.getElementById("previous-page").disabled = this.cursors.length === 1;
            document.getElementById("next-page").disabled = this.next === null;
        } catch (e) {
            this.fail(e);
        }
    }

    showRows() {
        this.body.replaceChildren(...this.rows.map((row) => this.row(row)));
    }

    fail(error) {
        if (!(error instanceof ApiError)) {
            this.onOtherError(error);
            return;
        }
        this.error.textContent = `筛选被拒 filter refused: ${error.message}`;
        this.error.hidden = false;
    }

    updateDownloads() {
        for (const format of ["csv", "json"]) {
            document.getElementById(`download-${format}`).href = this.query({ format });
        }
    }

    row(number) {
        const tr = el("tr");
        const label = this.labels.get(number.target_id) ?? String(number.target_id);
        tr.append(el("td", "number", number.number), el("td", "", label),
            el("td", "", number.classes.join(" ")), el("td", "", time(number.first_seen)),
            el("td", "", time(number.last_seen)), el("td", "count", whole(number.times_seen)));
        return tr;
    }
}

function option(value, text) {
    const node = el("option", "", text);
    node.value = value;
    return node;
}
