// The program's JavaScript side (put before the program's code in kavron.js). A page hands the
// program its console in Module.kavron (input, output, now); under node, when nothing is handed,
// the console is standard input and output, the clock the local one, the environment node's,
// and the file system the real one, from the current folder.
/* global Module, ENV, FS, NODEFS, ERRNO_CODES */
// (This runs before the module tells its environments apart: node is asked for by name.)
if (typeof process === 'object' && process.versions && process.versions.node && !Module.kavron) {
  var kavronFs = require('fs');
  var kavronErrno = function (e) {
    return (e && e.code && ERRNO_CODES[e.code]) || ERRNO_CODES.EIO;
  };
  Module.kavron = {
    input: function (cap) {
      var b = Buffer.alloc(cap);
      for (;;) {
        try {
          var n = kavronFs.readSync(0, b, 0, cap, null);
          return n > 0 ? new Uint8Array(b.buffer, b.byteOffset, n) : null;
        } catch (e) {
          if (e.code === 'EAGAIN') continue;
          if (e.code === 'EOF') return null;
          throw e;
        }
      }
    },
    // 1: the console, 3: texts, both on standard output; 2: standard error.
    output: function (channel, bytes) {
      var fd = channel === 2 ? 2 : 1;
      var done = 0;
      while (done < bytes.length) {
        try {
          done += kavronFs.writeSync(fd, bytes, done, bytes.length - done);
        } catch (e) {
          if (e.code === 'EAGAIN') continue;
          return kavronErrno(e);
        }
      }
      return 0;
    },
    now: function () {
      var d = new Date();
      return [d.getFullYear(), d.getMonth() + 1, d.getDate(), d.getHours(), d.getMinutes(),
        d.getSeconds()];
    },
  };
  // The module beside this script, read at once (node's fetch takes no file names).
  Module.wasmBinary = kavronFs.readFileSync(require('path').join(__dirname, 'kavron.wasm'));
  Module.preRun = [].concat(Module.preRun || [], function () {
    Object.assign(ENV, process.env);
    // The host's folders at their own names (all but the system's pseudo file systems), so that
    // every name means the file it means to the shell.
    kavronFs.readdirSync('/').forEach(function (name) {
      if (name === 'dev' || name === 'proc' || name === 'sys') return;
      var path = '/' + name;
      try {
        if (!kavronFs.statSync(path).isDirectory()) return;
        if (!FS.analyzePath(path).exists) FS.mkdir(path);
        FS.mount(NODEFS, { root: path }, path);
      } catch (e) {
        // A folder that cannot be looked at stays out of reach, as it is for the user.
      }
    });
    FS.chdir(process.cwd());
  });
}
