#!/usr/bin/env python3
"""The scripts CI relies on, and what they install.

.ci/run, scripts/check-release, scripts/test-releases and scripts/install-deps
run in a scratch copy of the tree with every command they start replaced by a
stub that logs its command line and fails when told to: each script fails at
the first step that fails and runs nothing after it, and passes only when all
passed; test-releases makes roots of Debian 13 and unstable unless told others
and copies out the package of each that passed; an npm install cut short is
made again. The time the build writes is the commit's, however the tree was
checked out; make deb packs under Debian's umask; warnings are errors in CI
only; check-reproducible fails when the builds of its two copies differ, as
they do where the build takes in its folder, umask or time zone; make dist
names each asset with the build's version and sums them all. An incremental
make web follows the page's script and the commit's time.

Then every program the build, the suite and the benchmarks start (found where
those files start one), every file the build's configuration found and every
Python module the checks import comes from a package that scripts/install-deps
installs, one those depend on, or one every fresh Debian root has; what the
build and the page's build find, from what it installs for make test's steps
(--build, then --page) before each starts.

Usage: release_scripts_check.py BUILD_DIR   (whose KZD_WEB_PAGE names the page's build)
"""

import email.utils
import fnmatch
import importlib.util
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
STUBBED = ["make", "git", "id", "mmdebstrap", "chroot", "dpkg-query", "apt-get", "npm", "sudo"]
COMMIT = "0123456789abcdef0123456789abcdef01234567"
STUB = f"""name=${{0##*/}}
echo "$name $*" >> "$STUB_LOG"
# What an install cut short leaves, and a package whose checks then fail.
[ "$name" != npm ] || mkdir -p node_modules
[ "$name $2" != "chroot /src/scripts/check-release" ] || {{ mkdir -p "$1/src/build/release"; touch "$1/src/build/release/p_1_all.deb"; }}
if [ -n "$STUB_FAIL" ]; then case "$name $*" in $STUB_FAIL*) echo "failed: $name $*" >&2; exit 1;; esac; fi
case $name in
id) echo 0;;
git) echo {COMMIT};;
dpkg-query) exit 1;;  # nothing is installed
mmdebstrap) root=$(mktemp -d); mkdir -p "$root/usr/local/share/ca-certificates"
    for a; do case $a in --customize-hook=*) sh -c "${{a#*=}}" hook "$root" || {{ rm -rf "$root"; exit 1; }};; esac; done
    rm -rf "$root";;
esac
"""
INSTALLS = {}  # what scripts/install-deps installs, by its option
failures = []


# What git archive fills in (export-subst), as git holds it: a tree that is
# itself an archive (a release's source, the mutation runner's copy) holds it
# filled in.
FILLED_IN = {"scripts/commit-time": "$Format:%ct$\n", "scripts/commit-id": "$Format:%H$\n"}


def copy_files(dest, names):
    for name in names:
        (dest / name).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(ROOT / name, dest / name)
        if name in FILLED_IN and not (dest / name).read_text().startswith("$Format:"):
            (dest / name).write_text(FILLED_IN[name])


def shell_script(path, body):
    """A shell script at path that runs body."""
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(f"#!/bin/sh\n{body}\n")
    path.chmod(0o755)


def check(ok, what):
    if not ok:
        failures.append(what)


def scripts_fail_at_the_first_failing_step(scratch):
    tree, stubs = scratch / "tree", scratch / "stubs"
    for name in [".ci/run", "scripts/check-release", "scripts/test-releases", "scripts/install-deps",
                 "tests/web/package.json", "tests/web/package-lock.json"]:
        (tree / name).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(ROOT / name, tree / name)
    for path in [*(stubs / name for name in STUBBED), tree / "tests/deb_install_check.sh", tree / "scripts/check-reproducible"]:
        shell_script(path, STUB)

    # The steps whose order is checked; the scripts' look-ups (git, id, dpkg-query) pass.
    root = ["mmdebstrap", "chroot * update-ca-certificates", "chroot * /src/scripts/check-release"]
    steps = {".ci/run": ["make test", "make deb", "deb_install_check.sh", "check-reproducible", "make releases"],
             "scripts/test-releases": root + root,
             "scripts/install-deps": ["apt-get update", "apt-get install", "npm ci"]}

    def run(script, *args, fail="", keep=False):
        log = scratch / "log"
        log.write_text("")
        if not keep:
            shutil.rmtree(tree / "build", ignore_errors=True)  # what an earlier run installed
        env = {"PATH": f"{stubs}:/usr/bin:/bin", "STUB_LOG": str(log), "STUB_FAIL": fail, "HOME": str(scratch)}
        done = subprocess.run(["bash", str(tree / script), *args], env=env, capture_output=True, text=True,
                              stdin=subprocess.DEVNULL, timeout=60)
        run.stdout = done.stdout
        return done.returncode, [line for line in log.read_text().splitlines()
                                 if any(line.startswith(step.split()[0]) for step in steps[script])]

    for script, expected in steps.items():
        status, log = run(script)
        check(status == 0 and [next((s for s in expected if fnmatch.fnmatch(line, s + "*")), line) for line in log] == expected,
              f"{script} with every step passing: status {status}, ran {log}")
        for step in dict.fromkeys(expected):
            status, log = run(script, fail=step)
            check(status != 0 and len(log) == expected.index(step) + 1 and not list(tree.glob("build/releases/*/*.deb")),
                  f"{script} with '{step}' failing: status {status}, ran {log}")
            if step == "npm ci":
                check("npm ci" in [line[:6] for line in run(script, keep=True)[1]], "an npm install cut short counts as done")

    status, log = run("scripts/test-releases")
    releases = [line.split()[-3] for line in log if line.startswith("mmdebstrap")]
    check(releases == ["trixie", "sid"], f"scripts/test-releases makes roots of {releases}, not Debian 13 and unstable")
    copied = sorted(str(path.relative_to(tree / "build/releases")) + ":" + path.read_text().strip()
                    for path in tree.glob("build/releases/*/*"))
    check(copied == [f"{release}/{name}" for release in ["sid", "trixie"] for name in [f"commit:{COMMIT}", "p_1_all.deb:"]],
          f"scripts/test-releases copies out of its roots {copied}")
    run("scripts/install-deps", "--list")
    listed = set(run.stdout.split())
    for option in ["--build", "--page", ""]:
        status, log = run("scripts/install-deps", *filter(None, [option]))
        INSTALLS[option] = next((set(line.split()[1:]) for line in log if line.startswith("apt-get install")), set())
    check(listed <= INSTALLS[""], f"scripts/install-deps leaves out {sorted(listed - INSTALLS[''])}")


def the_build_time_is_the_commits(scratch):
    """scripts/source-date-epoch in a repository of its own, committed at a known
    time (and authored at another, as an amended or rebased commit is): it gives
    that time in the checkout, in a worktree of it (whose .git is a file) and in
    what git archive exports, the changelog's date in a copy with neither; a time
    the caller sets wins."""
    repo, when = scratch / "repo", "1700000000"
    copy_files(repo, ["scripts/source-date-epoch", "scripts/commit-time", ".gitattributes", "app/changelog.in"])
    env = {**os.environ, "GIT_COMMITTER_DATE": f"@{when} +0000", "GIT_AUTHOR_DATE": "@1600000000 +0000"}
    env.pop("SOURCE_DATE_EPOCH", None)

    def git(*args, cwd=repo):
        subprocess.run(["git", "-c", "user.name=kzd", "-c", "user.email=kzd@localhost", *args], cwd=cwd, env=env,
                       check=True, capture_output=True)

    git("init", "-q")
    git("add", ".")
    git("commit", "-q", "-m", "tree")
    git("worktree", "add", "-q", "--detach", str(scratch / "worktree"))
    (scratch / "archive").mkdir()
    archive = subprocess.run(["git", "-C", str(repo), "archive", "HEAD"], capture_output=True, check=True).stdout
    subprocess.run(["tar", "-x", "-C", str(scratch / "archive")], input=archive, check=True)
    shutil.copytree(repo, scratch / "copy", ignore=shutil.ignore_patterns(".git"))
    released = re.search(r"^ -- .*?  (.+)$", (repo / "app/changelog.in").read_text(), re.M).group(1)
    released = str(int(email.utils.parsedate_to_datetime(released).timestamp()))
    for tree, extra, want in [(repo, {}, when), (scratch / "worktree", {}, when), (scratch / "archive", {}, when),
                              (scratch / "copy", {}, released), (repo, {"SOURCE_DATE_EPOCH": "5"}, "5")]:
        got = subprocess.run([tree / "scripts/source-date-epoch"], env={**env, **extra},
                             capture_output=True, text=True).stdout.strip()
        check(got == want, f"scripts/source-date-epoch in {tree.name} with {extra}: {got!r}, not {want}")


def makefile_targets(scratch):
    """The Makefile with its installs, cmake, cpack and ctest stubbed. CPack gives
    what it makes the modes the umask leaves: make deb packs under Debian's 022
    whatever the builder's (here 077). make test runs the offscreen checks once
    the sanitizer build is made and the rest once the installs and the page beside
    it are done too: a failing install or build fails make test without running
    the checks that need it, and says why, even where it ran in the background; a
    failing check fails it after the others have run. Every build is configured
    with warnings as errors in CI ($CI set) and only there."""
    (scratch / "build/release").mkdir(parents=True)
    shutil.copy2(ROOT / "Makefile", scratch / "Makefile")
    umask, log = scratch / "umask", scratch / "log"
    shell_script(scratch / "scripts/install-deps", 'echo "install-deps $*" >> "$STUB_LOG"\n'
                 '[ "install-deps $*" != "$STUB_FAIL" ] || { echo "failed: $STUB_FAIL" >&2; exit 1; }')
    shell_script(scratch / "cpack", f'umask > "{umask}"')
    for name in ["cmake", "ctest"]:
        shell_script(scratch / name, STUB)

    def make(target, fail="", ci="", **options):
        log.write_text("")
        done = subprocess.run(["make", "-s", "-C", str(scratch), target], capture_output=True, timeout=60, text=True,
                              env={"PATH": f"{scratch}:/usr/bin:/bin", "STUB_LOG": str(log), "STUB_FAIL": fail, "CI": ci},
                              **options)
        return done.returncode, done.stdout + done.stderr

    make("deb", preexec_fn=lambda: os.umask(0o077))
    packed = umask.read_text().strip() if umask.exists() else "no cpack run"
    check(packed == "0022", f"make deb packs under umask {packed}, not Debian's 0022")
    offscreen, rest = "ctest --preset asan -L offscreen", "ctest --preset asan -LE offscreen"
    for fail, want in [("", [offscreen, rest]), ("install-deps --build", []), ("cmake --build --preset asan", []),
                       ("install-deps --page", [offscreen]), ("cmake --build --preset web", [offscreen]),
                       ("install-deps ", [offscreen]), (offscreen, [offscreen, rest]), (rest, [offscreen, rest])]:
        status, said = make("test", fail)
        ran = [line for line in log.read_text().splitlines() if line.startswith("ctest")]
        check((status == 0) == (not fail) and ran == want and (not fail or f"failed: {fail}" in said),
              f"make test with '{fail or 'nothing'}' failing: status {status}, ran {ran}, said\n{said}")
    for target, ci in [(target, ci) for target in ["test", "deb", "web"] for ci in ["", "true"]]:
        make(target, ci=ci)
        configured = [line for line in log.read_text().splitlines() if line.startswith("cmake --preset")]
        check(configured and all(f"-DKZD_WERROR={'ON' if ci else 'OFF'}" in line.split() for line in configured),
              f"make {target} with CI='{ci}' configures {configured}")


def check_reproducible_fails_when_builds_differ(scratch):
    """scripts/check-reproducible and scripts/dist in a repository of their own,
    with the builds of the page, site and package (make web deb), diffoscope and
    the installs stubbed: where the build takes in its folder, umask or time zone
    the check fails, naming a file; where it takes in none, it passes, on a release
    whose SHA256SUMS sums every other file, each asset named with the build's
    version and another release's package among them. make dist refuses a tree
    with uncommitted changes, in one line."""
    tree, stubs = scratch / "tree", scratch / "stubs"
    copy_files(tree, ["scripts/check-reproducible", "scripts/dist", "scripts/source-date-epoch", "scripts/commit-time",
                      "scripts/commit-id", ".gitattributes", ".gitignore"])
    shell_script(tree / "scripts/install-deps", "")
    shell_script(stubs / "diffoscope", 'echo "they differ" > "$2"; exit 1')
    shell_script(stubs / "make", 'case $* in dist) exec scripts/dist;; esac\nmkdir -p build/web/site build/release/app\n'
                 'case $STUB_TAKES in umask) umask;; TZ) echo "$TZ";; folder) pwd;; esac > build/web/kelm-zizovu-dizuzed.html\n'
                 'for f in web/LICENSE-fonts web/site/index.html web/site/icon.png release/kelm-zizovu-dizuzed_9.87_all.deb; '
                 'do echo "$f" > "build/$f"; done\necho Name=Board > build/release/app/kelm-zizovu-dizuzed.desktop\n'
                 'printf \'set(CPACK_PACKAGE_%s "%s")\\n\' NAME kelm-zizovu-dizuzed VERSION 9.87 DESCRIPTION_SUMMARY A '
                 'DESCRIPTION B > build/release/CPackConfig.cmake')
    git = ["git", "-c", "user.name=kzd", "-c", "user.email=kzd@localhost", "-C", str(tree)]
    subprocess.run(git + ["init", "-q"], check=True)
    subprocess.run(git + ["add", "."], check=True)
    subprocess.run(git + ["commit", "-q", "-m", "tree"], check=True)
    # Another release's package, of a release no machine running this is.
    (tree / "build/releases/other").mkdir(parents=True)
    (tree / "build/releases/other/kelm-zizovu-dizuzed_9.87_all.deb").write_text("other's")
    (tree / "build/releases/other/commit").write_text(subprocess.run(git + ["rev-parse", "HEAD"], capture_output=True,
                                                                      text=True).stdout)
    env = {"PATH": f"{stubs}:/usr/bin:/bin", "TMPDIR": str(scratch), "HOME": str(scratch)}
    for takes in ["", "umask", "TZ", "folder"]:
        done = subprocess.run(["bash", str(tree / "scripts/check-reproducible")], capture_output=True, text=True,
                              timeout=60, env={**env, "STUB_TAKES": takes}, preexec_fn=lambda: os.umask(0o022))
        named = "DIFFERS: build/dist/kelm-zizovu-dizuzed-9.87.html" in done.stdout
        check((done.returncode != 0) == bool(takes) == named,
              f"scripts/check-reproducible with a build that takes in {takes or 'nothing'}: status {done.returncode}"
              f"\n{done.stdout}{done.stderr}")
    files = sorted(path.name for path in (tree / "build/dist").iterdir())
    assets = [f for f in files if f.startswith("kelm-zizovu-dizuzed")]
    summed = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=tree / "build/dist", capture_output=True, text=True)
    check(summed.returncode == 0 and sorted(summed.stdout.split()[::2]) == [f"{f}:" for f in files if f != "SHA256SUMS"]
          and len(assets) == 5 and all("9.87" in f for f in assets) and any("_other_" in f for f in assets),
          f"make dist wrote {files}, SHA256SUMS checking {summed.stdout}")
    (tree / "scripts/commit-time").write_text("changed")
    done = subprocess.run([tree / "scripts/dist"], capture_output=True, text=True, env=env)
    check(done.returncode != 0 and len(done.stderr.splitlines()) == 1,
          f"make dist on a tree with changes: status {done.returncode}, said {done.stderr}")


# Where the tree starts a program: the first word of a shell command, a CMake
# COMMAND or find_program, a process started by a check in C++, Python or JavaScript.
SHELL_WORDS = {"if", "then", "else", "elif", "do", "while", "until", "!", "exec", "command", "sudo", "nice", "env",
               "time", "coproc", "XVFB", "{", "[", "[[", "local", "export", "trap", "set", "cd", "echo", "printf",
               "read", "wait", "shift", "exit", "return", "for", "case", "kill", "true", "false"}


def shell_programs(text):
    for line in text.splitlines():
        line = re.sub(r"(^|\s)#.*", "", line)
        for part in re.split(r"\|\||&&|[;|&]|\$\(|\(", line):
            words = part.split()
            while words and (words[0] in SHELL_WORDS or re.match(r"^\w+=|^-", words[0])):
                words.pop(0)
            if words:
                yield words[0].lstrip("@")


def programs_started():
    patterns = {
        ".cpp": [r'\.start\(QStringLiteral\("([^"]+)"\)'],
        ".py": [r'(?:run|Popen|check_output|call)\(\s*\[\s*"([^"]+)"'],
        ".mjs": [r"(?:spawn|execFile)(?:Sync)?\(\s*['\"]([^'\"]+)"],
        ".cmake": [r"(?:COMMAND|\brun\()\s*([^)\n]*)", r"find_program\(\w+\s+(?:NAMES\s+)?([\w.+-]+)"],
    }
    found = {}
    for path in sorted(ROOT.rglob("*")):
        relative = path.relative_to(ROOT)
        if not path.is_file() or relative.parts[0] in ("build", ".git"):
            continue
        text = path.read_text(errors="replace")
        kind = ".cmake" if path.name == "CMakeLists.txt" else path.suffix
        words = re.findall(r"['\"](/usr/s?bin/[\w.+-]+)['\"]", text)
        for pattern in patterns.get(kind, []):
            words += [word for found in re.findall(pattern, text) for word in found.split()]
        if path.name == "Makefile":
            words += shell_programs("\n".join(line for line in text.splitlines() if line.startswith("\t")))
        elif kind == ".sh" or text.startswith("#!/usr/bin/env bash") or text.startswith("#!/bin/sh"):
            words += shell_programs(text)
        for word in words:
            found.setdefault(word, set()).add(str(relative))
    return found


def owners(paths):
    """The packages of each file (a folder has several), where dpkg knows it: by
    its real path, its own (an alternative's link), or the path before /usr was
    merged."""
    owner = {}
    for candidate in [os.path.realpath, lambda path: path, lambda path: re.sub(r"^/usr(/s?bin/)", r"\1", path)]:
        asked = {candidate(path): path for path in paths if path not in owner}
        listing = subprocess.run(["dpkg-query", "-S", *asked], capture_output=True, text=True).stdout
        for line in listing.splitlines():
            packages, found = line.split(": ", 1)
            if found in asked:
                owner[asked[found]] = {package.split(":")[0].strip() for package in packages.split(",")}
    return owner


def closures():
    """What every fresh root has (the essential packages, apt and those
    scripts/test-releases adds), that with what scripts/install-deps installs,
    and that with what it has installed by each step of make test, each with all
    it depends on."""
    fields = "${Package}\t${Essential}\t${Provides}\t${Pre-Depends}, ${Depends}\n"
    rows = subprocess.run(["dpkg-query", "-W", "-f", fields], capture_output=True, text=True, check=True).stdout
    provides, depends, base = {}, {}, {"apt"}
    names = lambda field: [re.split(r"[\s:(]", alt.strip())[0] for alt in re.split(r"[,|]", field) if alt.strip()]
    for row in rows.splitlines():
        package, essential, provided, needs = row.split("\t")
        depends[package] = names(needs)
        for name in [package] + names(provided):
            provides.setdefault(name, []).append(package)
        if essential == "yes":
            base.add(package)
    base |= set(re.search(r"--include=(\S+)", (ROOT / "scripts/test-releases").read_text()).group(1).split(","))
    # Its list, what it adds where a command is missing (npm, where Node.js came
    # without it), and what the Makefile and scripts ask it for.
    # (Files only: running a script through Python may leave a __pycache__ beside it.)
    asked = {name for path in [ROOT / "Makefile", *(ROOT / "scripts").iterdir()] if path.is_file()
             for names in re.findall(r"scripts/install-deps ((?:[a-z0-9][\w.+-]* *)+)", path.read_text())
             for name in names.split()}
    listed = subprocess.run([ROOT / "scripts/install-deps", "--list", *sorted(asked)], capture_output=True, text=True,
                            check=True)
    installed = base | set(listed.stdout.split())
    installed |= set(re.findall(r"packages\+=\((\S+)\)", (ROOT / "scripts/install-deps").read_text()))

    def closure(wanted):
        found, todo = set(), list(wanted)
        while todo:
            for package in provides.get(todo.pop(), []):
                if package not in found:
                    found.add(package)
                    todo += depends.get(package, [])
        return found
    steps = {"--build": closure(base | INSTALLS["--build"]), "--page": closure(base | INSTALLS["--build"] | INSTALLS["--page"])}
    return closure(base), closure(installed), steps


def web_page(build):
    """The page in its build folder, where the build's checks find it."""
    return Path(re.search(r"^KZD_WEB_PAGE:FILEPATH=(.+)$", (build / "CMakeCache.txt").read_text(), re.M).group(1))


def the_page_follows_its_sources(build):
    """An incremental make web makes the page anew when its script, template or
    maker changes, or the commit's time, which is read at every build."""
    web, page = web_page(build).parent, web_page(build).name
    inputs = subprocess.run(["ninja", "-C", str(web), "-t", "inputs", page], capture_output=True, text=True).stdout.split()
    wanted = [str(ROOT / "platform/web" / name) for name in ["page.js", "page.html", "make_page.py"]] + ["app/source-date-epoch"]
    check(set(wanted) <= set(inputs), f"the page does not follow {sorted(set(wanted) - set(inputs))}")
    again = subprocess.run(["ninja", "-C", str(web), "-n", "app/source-date-epoch"], capture_output=True, text=True).stdout
    check("no work to do" not in again, "the commit's time is not read again at each build of the page")


def everything_used_is_installed(build):
    used = {}
    for word, where in programs_started().items():
        where = ", ".join(sorted(where))
        if word.startswith("/"):
            used[word] = f"{word} ({where})"
            continue
        for folder in ["/usr/bin", "/usr/sbin", "/bin", "/sbin", "/usr/games"]:
            if os.access(f"{folder}/{word}", os.X_OK):
                used[f"{folder}/{word}"] = f"{word} ({where})"
                break
    # What the sanitizer build and the page's build find, and the page's build's
    # Python, make test starts once install-deps --build, then --page, is done.
    step = {}
    for folder, option in [(build, "--build"), (web_page(build).parent, "--page")]:
        cache = (folder / "CMakeCache.txt").read_text()
        for name, value in re.findall(r"^(\w+_DIR|CMAKE_CXX_COMPILER|CMAKE_MAKE_PROGRAM|KZD_\w+):(?:FILE)?PATH=(/usr/\S+)$",
                                      cache, re.M):
            used[value] = f"{value} (the {folder.name} build's {name})"
            step.setdefault(value, option)
    for path in list(ROOT.glob("tests/*.py")) + list(ROOT.glob("platform/web/*.py")):
        for module in re.findall(r"^(?:import|from) (\w+)", path.read_text(), re.M):
            origin = getattr(importlib.util.find_spec(module), "origin", None)
            if origin and origin.startswith("/usr/"):
                used[origin] = f"Python's {module} ({path.relative_to(ROOT)})"
                if path.parent.name == "web":
                    step.setdefault(origin, "--page")
    base, installed, by_step = closures()
    owner = owners(used)
    for path, what in sorted(used.items(), key=lambda item: item[1]):
        packages = " or ".join(sorted(owner.get(path, [])))
        check(path not in owner or owner[path] & installed,
              f"{what} comes from {packages}, which scripts/install-deps does not install")
        check(path not in owner or path not in step or owner[path] & by_step[step[path]],
              f"{what} comes from {packages}, which make test has not installed by scripts/install-deps {step.get(path)}")
        # CI's first steps run before anything is installed.
        first = re.search(r"\((.*)\)", what).group(1).split(", ")
        check(path not in owner or owner[path] & base or not set(first) & {".ci/run", "scripts/check-release"},
              f"{what} comes from {packages}, which a fresh root made by scripts/test-releases lacks")


def main():
    for part in [scripts_fail_at_the_first_failing_step, the_build_time_is_the_commits,
                 makefile_targets, check_reproducible_fails_when_builds_differ]:
        with tempfile.TemporaryDirectory() as scratch:
            part(Path(scratch))
    the_page_follows_its_sources(Path(sys.argv[1]))
    everything_used_is_installed(Path(sys.argv[1]))
    for failure in failures:
        print(f"release_scripts_check: {failure}", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
