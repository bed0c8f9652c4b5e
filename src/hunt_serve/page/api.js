// Reads the hunter's JSON API. A server that listens beyond loopback wants a
// token: on its first 401 the page asks for it once (the token form), keeps it
// for this browser tab in sessionStorage and sends it as a bearer header.

const kTokenKey = "qorvex-hunt-token";

export class Unauthorized extends Error {}

export class ApiError extends Error {
    constructor(status, reason) {
        super(reason || `HTTP ${status}`);
        this.status = status;
    }
}

export function storedToken() {
    return sessionStorage.getItem(kTokenKey);
}

export function storeToken(token) {
    sessionStorage.setItem(kTokenKey, token);
}

function headers() {
    const token = storedToken();
    return token ? { Authorization: `Bearer ${token}` } : {};
}

async function request(path) {
    const reply = await fetch(path, { headers: headers(), cache: "no-store" });
    if (reply.status === 401) {
        // A token the server refused is no use: forget it so the page asks again.
        sessionStorage.removeItem(kTokenKey);
        throw new Unauthorized();
    }
    if (!reply.ok) {
        throw new ApiError(reply.status, await reasonOf(reply));
    }
    return reply;
}

// The server's own words for a refusal (a bad pattern, a bad time), as text.
async function reasonOf(reply) {
    const body = await reply.text();
    try {
        const parsed = JSON.parse(body);
        if (parsed && typeof parsed.error === "string") return parsed.error;
    } catch {
        // Not JSON: the body is the reason itself.
    }
    return body.trim().slice(0, 300);
}

export async function getJson(path) {
    return (await request(path)).json();
}

// A download of the filtered set. Without a token a plain link would do; with
// one the bearer header has to be sent, so the file is fetched and handed over.
export async function download(path, fileName) {
    const blob = await (await request(path)).blob();
    const url = URL.createObjectURL(blob);
    const link = document.createElement("a");
    link.href = url;
    link.download = fileName;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 10000);
}
