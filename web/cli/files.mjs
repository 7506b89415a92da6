// Files as tarvo-cli reads and writes them (config/file_io.cpp): read whole,
// and written to a temporary file beside the target, flushed, read back and
// renamed over it, so that a file is always the old one or the new one.
import fs from "node:fs";
import path from "node:path";
import crypto from "node:crypto";

/** An error whose message is the native tool's, ready to print. */
export class FileError extends Error {}

// The C library's words for the system's reasons.
const reasons = {
  ENOENT: "No such file or directory", EACCES: "Permission denied", EISDIR: "Is a directory",
  ENOTDIR: "Not a directory", ELOOP: "Too many levels of symbolic links", ENAMETOOLONG: "File name too long",
  EROFS: "Read-only file system", ENOSPC: "No space left on device", EIO: "Input/output error",
  EPERM: "Operation not permitted", EEXIST: "File exists", EBUSY: "Device or resource busy",
  ETXTBSY: "Text file busy", EMFILE: "Too many open files", ENFILE: "Too many open files in system",
  EXDEV: "Invalid cross-device link", EINVAL: "Invalid argument", EDQUOT: "Disk quota exceeded",
  ENXIO: "No such device or address", ENODEV: "No such device", EFBIG: "File too large",
  EAGAIN: "Resource temporarily unavailable", EINTR: "Interrupted system call", ENOMEM: "Cannot allocate memory",
};

function fail(what, file, error) {
  const reason = typeof error === "string" ? reasons[error] : reasons[error?.code] ?? error?.message;
  return new FileError(`${what} "${file}": ${reason}`);
}

function attempt(what, file, action) {
  try {
    return action();
  } catch (error) {
    if (error instanceof FileError) throw error;
    throw fail(what, file, error);
  }
}

const maxFileSize = 512 * 1024 * 1024;

export function readWholeFile(file) {
  const fd = attempt("Cannot open", file, () => fs.openSync(file, "r"));
  try {
    const info = attempt("Cannot read", file, () => fs.fstatSync(fd));
    if (info.isDirectory()) throw fail("Cannot read", file, "EISDIR");
    if (info.isCharacterDevice() || info.isBlockDevice()) {
      throw new FileError(`Cannot read "${file}": it is a device, not a file.`);
    }
    const chunks = [];
    let size = 0;
    for (;;) {
      const chunk = Buffer.allocUnsafe(1 << 16);
      const n = attempt("Cannot read", file, () => fs.readSync(fd, chunk, 0, chunk.length, null));
      if (n === 0) break;
      if (size + n > maxFileSize) throw new FileError(`Cannot read "${file}": it is larger than 512 MiB.`);
      chunks.push(chunk.subarray(0, n));
      size += n;
    }
    return new Uint8Array(Buffer.concat(chunks, size));
  } finally {
    fs.closeSync(fd);
  }
}

function writeAll(fd, bytes, file, position = null) {
  let done = 0;
  while (done < bytes.length) {
    done += attempt("Cannot write", file, () =>
      fs.writeSync(fd, bytes, done, bytes.length - done, position === null ? null : position + done));
  }
}

// Reads `expected` back from `offset`, as a flashing tool verifies what it wrote.
function compareReadBack(fd, offset, expected, file) {
  const chunk = Buffer.allocUnsafe(Math.min(Math.max(expected.length, 1), 1 << 20));
  let done = 0;
  while (done < expected.length) {
    const want = Math.min(chunk.length, expected.length - done);
    const got = attempt("Cannot read back", file, () => fs.readSync(fd, chunk, 0, want, offset + done));
    let same = 0;
    while (same < got && chunk[same] === expected[done + same]) ++same;
    if (same < got || got === 0) {
      const at = offset + done + same;
      throw new FileError(`Cannot write "${file}": what was read back differs from what was written, first at ` +
                          `offset ${at} (0x${at.toString(16).toUpperCase()}).`);
    }
    done += got;
  }
}

function syncAndVerify(fd, offset, expected, file) {
  attempt("Cannot write", file, () => fs.fsyncSync(fd));
  compareReadBack(fd, offset, expected, file);
}

function statOrNull(file, follow = true) {
  try {
    return follow ? fs.statSync(file) : fs.lstatSync(file);
  } catch {
    return null;
  }
}

const temporaryLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// A new file beside `target`, named after it, ".tmp-" and six characters.
function createTemporary(target, file) {
  for (;;) {
    const name = target + ".tmp-" + Array.from(crypto.randomBytes(6), (b) => temporaryLetters[b % 62]).join("");
    try {
      return { name, fd: fs.openSync(name, fs.constants.O_RDWR | fs.constants.O_CREAT | fs.constants.O_EXCL, 0o600) };
    } catch (error) {
      if (error.code !== "EEXIST") throw fail("Cannot create", file, error);
    }
  }
}

export function writeFileReplacing(file, bytes) {
  const info = statOrNull(file);
  // A device or pipe is written into as it is.
  if (info && !info.isFile()) {
    if (info.isDirectory()) throw fail("Cannot write", file, "EISDIR");
    const fd = attempt("Cannot open", file, () => fs.openSync(file, fs.constants.O_WRONLY | fs.constants.O_TRUNC));
    try {
      writeAll(fd, bytes, file);
    } finally {
      fs.closeSync(fd);
    }
    return;
  }
  // A symbolic link stays one: the file it points to is replaced.
  let target = file;
  if (info && statOrNull(file, false)?.isSymbolicLink()) {
    try {
      target = fs.realpathSync(file);
    } catch {
      target = file;
    }
  }
  const temporary = createTemporary(target, file);
  let folder = -1;
  try {
    if (info) {
      try {
        fs.fchownSync(temporary.fd, info.uid, info.gid);
      } catch {
        // Another owner or group may be out of reach; the file then stays ours.
      }
      fs.fchmodSync(temporary.fd, info.mode & 0o7777);
    } else {
      const mask = process.umask();
      fs.fchmodSync(temporary.fd, 0o666 & ~mask);
    }
    writeAll(temporary.fd, bytes, file);
    syncAndVerify(temporary.fd, 0, bytes, file);
    const fd = temporary.fd;
    temporary.fd = -1;
    attempt("Cannot write", file, () => fs.closeSync(fd));
    folder = attempt("Cannot write", file, () => fs.openSync(path.dirname(target), "r"));
    attempt("Cannot write", file, () => fs.renameSync(temporary.name, target));
  } catch (error) {
    if (temporary.fd >= 0) fs.closeSync(temporary.fd);
    if (folder >= 0) fs.closeSync(folder);
    fs.rmSync(temporary.name, { force: true });
    throw error;
  }
  try {
    attempt("Cannot write", file, () => fs.fsyncSync(folder));
  } finally {
    fs.closeSync(folder);
  }
}

/** Writes back `content`, which differs from the file only from `first` to `end`. */
export function writeFileChanged(file, content, first, end) {
  if (statOrNull(file)?.isFile()) {
    // A file that could not be written into in place is not replaced either.
    const fd = attempt("Cannot open", file, () => fs.openSync(file, fs.constants.O_WRONLY));
    fs.closeSync(fd);
    writeFileReplacing(file, content);
    return;
  }
  const fd = attempt("Cannot open", file, () => fs.openSync(file, fs.constants.O_RDWR));
  try {
    const bytes = content.subarray(first, end);
    writeAll(fd, bytes, file, first);
    syncAndVerify(fd, first, bytes, file);
  } finally {
    fs.closeSync(fd);
  }
}

/** Whether two paths name the same file (std::filesystem::equivalent). */
export function sameFile(a, b) {
  const x = statOrNull(a);
  const y = statOrNull(b);
  return !!x && !!y && x.dev === y.dev && x.ino === y.ino;
}

export function isDirectory(file) {
  return !!statOrNull(file)?.isDirectory();
}

export function removeFile(file) {
  try {
    fs.unlinkSync(file);
  } catch {
    // As the native tool: an empty file that cannot be removed stays.
  }
}
