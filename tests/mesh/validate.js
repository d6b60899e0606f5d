// Validates glTF binaries with the Khronos glTF validator: prints each
// file's issues and exits non-zero when any has an error or a warning.
'use strict';
const fs = require('fs');
const validator = require('gltf-validator');

async function main(files) {
  let failed = 0;
  for (const file of files) {
    const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {maxIssues: 50});
    const {numErrors, numWarnings, messages} = report.issues;
    console.log(`${file}: ${numErrors} errors, ${numWarnings} warnings`);
    for (const m of messages) if (m.severity <= 1) console.log(`  ${m.code} ${m.pointer || ''}: ${m.message}`);
    if (numErrors || numWarnings) failed++;
  }
  process.exit(failed ? 1 : 0);
}

main(process.argv.slice(2)).catch((e) => {
  console.error(e);
  process.exit(2);
});
