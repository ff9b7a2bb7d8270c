// Node loads this ES module without CommonJS's require and __dirname, which the loader
// below uses there (the tests run it in Node); browsers skip this.
var require, __dirname;
if (typeof process == 'object' && typeof process.versions == 'object' && process.versions.node) {
  require = (await import('module')).createRequire(import.meta.url);
  __dirname = (await import('url')).fileURLToPath(new URL('.', import.meta.url));
}
