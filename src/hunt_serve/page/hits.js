// The recent hits, newest first as /api/hits gives them, each with its classes
// and a link to apply for the card. Only an http(s) address becomes a link, so
// a stored text can never turn into a script the user clicks.
import { el, time } from "./text.js";

function safeLink(address) {
    try {
        const url = new URL(address);
        return url.protocol === "https:" || url.protocol === "http:" ? url.href : null;
    } catch {
        return null;
    }
}

function hitRow(hit) {
    const row = el("li", "hit");
    const number = el("span", "number", hit.number);
    const classes = el("span", "classes");
    for (const name of hit.classes) classes.append(el("span", "class", name));
    const meta = el("span", "meta");
    meta.append(el("span", "target", hit.target), " · ", el("time", "", time(hit.at)));
    row.append(number, classes, meta);
    const address = safeLink(hit.link);
    if (address) {
        const link = el("a", "apply", "申请 apply");
        link.href = address;
        link.target = "_blank";
        link.rel = "noopener noreferrer";
        row.append(link);
    }
    return row;
}

export function showHits(list, hits) {
    if (hits.length === 0) {
        const empty = el("li", "empty", "尚无命中 no hits yet");
        list.replaceChildren(empty);
        return;
    }
    list.replaceChildren(...hits.map(hitRow));
}
