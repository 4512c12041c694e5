// The whole-folder job on sharp (libvips for Node.js), as its documentation has it:
// fit 'contain' on white, JPEG quality 75, JOBS files in flight with one libvips
// thread each (run with UV_THREADPOOL_SIZE=JOBS).
//
//   node sharp_peer.mjs SOURCE_DIR DEST_DIR [JOBS]
//
// sharp's bundled libvips reads no Windows bitmaps: those files are skipped and counted.

import { createRequire } from 'node:module';
import { readdirSync } from 'node:fs';
import { join, parse } from 'node:path';

const require = createRequire(join(process.cwd(), 'package.json'));
const sharp = require('sharp');

const [source, dest, jobsArg] = process.argv.slice(2);
if (!source || !dest) {
    console.error('usage: node sharp_peer.mjs SOURCE_DIR DEST_DIR [JOBS]');
    process.exit(2);
}
const jobs = Math.max(1, Number(jobsArg ?? 2));
sharp.concurrency(1);
sharp.cache(false);

const names = readdirSync(source).filter((n) => /\.(jpe?g|gif|bmp)$/i.test(n)).sort();
const readable = names.filter((n) => !/\.bmp$/i.test(n));
const white = { r: 255, g: 255, b: 255, alpha: 1 };

let next = 0;
let failed = 0;
async function worker() {
    while (next < readable.length) {
        const name = readable[next++];
        try {
            await sharp(join(source, name))
                .rotate()
                .resize(300, 300, { fit: 'contain', background: white })
                .flatten({ background: white })
                .jpeg({ quality: 75 })
                .toFile(join(dest, parse(name).name + '.jpg'));
        } catch (e) {
            failed++;
            console.error(`sharp_peer: ${name}: ${e.message}`);
        }
    }
}
await Promise.all(Array.from({ length: jobs }, worker));
console.log(`sharp_peer: ${readable.length} pictures, ${failed} failed, ` +
            `${names.length - readable.length} bitmaps skipped`);
process.exit(failed ? 1 : 0);
