#!/usr/bin/env node
// Reference matches from ECMAScript's own RegExp, for the differential test of
// the regex engine (tests/regex/ecma_differential_test.cpp).
//
// Input: a JSON file {"cases": [{"pattern": ..., "subject": ..., "replacement": ...}]}.
// Every pattern is compiled with the flags gim (plus d for the group indices)
// and run over its subject with the loop that String.prototype.match and
// replace use: each search starts where the last match ended, one code unit
// further after an empty match.
//
// Output: one line per case, in input order:
//   <index> error                      the pattern is rejected
//   <index> ok <groups> <matches> <begin end ...> | <replaced>
// where every match gives (groups + 1) pairs of UTF-8 byte offsets, -1 -1 for
// a group that took no part, and <replaced> is the hex UTF-8 text of
// subject.replace(pattern, replacement).
//
// Subjects are kept within the Basic Multilingual Plane, where one UTF-16
// code unit is one character, so the offsets compare with a UTF-8 engine.

'use strict';

const fs = require('fs');

function utf8Offsets(text) {
    const offsets = new Array(text.length + 1);
    let bytes = 0;
    for (let i = 0; i < text.length; i++) {
        offsets[i] = bytes;
        const unit = text.charCodeAt(i);
        if (unit >= 0xd800 && unit <= 0xdfff) {
            throw new Error('subject outside the Basic Multilingual Plane');
        }
        bytes += unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
    }
    offsets[text.length] = bytes;
    return offsets;
}

function groupCount(pattern) {
    // An alternative that matches the empty text always matches, so the
    // result has one slot per group.
    return new RegExp(pattern + '|', 'gim').exec('').length - 1;
}

function runCase(kase) {
    let re;
    try {
        re = new RegExp(kase.pattern, 'dgim');
    } catch (e) {
        return 'error';
    }
    const subject = kase.subject;
    const offsets = utf8Offsets(subject);
    const groups = groupCount(kase.pattern);
    const spans = [];
    let count = 0;
    let m;
    re.lastIndex = 0;
    while ((m = re.exec(subject)) !== null) {
        count++;
        for (let g = 0; g <= groups; g++) {
            const span = m.indices[g];
            spans.push(span === undefined ? '-1 -1' : offsets[span[0]] + ' ' + offsets[span[1]]);
        }
        if (m[0].length === 0) {
            re.lastIndex = m.index + 1;
        }
    }
    const replaced = subject.replace(new RegExp(kase.pattern, 'gim'), kase.replacement);
    const hex = Buffer.from(replaced, 'utf8').toString('hex');
    return ['ok', groups, count].concat(spans).join(' ') + ' | ' + hex;
}

const input = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const lines = input.cases.map((kase, index) => index + ' ' + runCase(kase));
process.stdout.write(lines.join('\n') + '\n');
