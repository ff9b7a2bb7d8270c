// Node's fetch cannot read file: URLs: there the .wasm beside this module is read from
// disk before the loader would fetch it.
if (typeof process == 'object' && typeof process.versions == 'object' && process.versions.node &&
    !Module['wasmBinary']) {
  Module['wasmBinary'] = require('fs').readFileSync(new URL('kestril-core.wasm', _scriptDir));
}
