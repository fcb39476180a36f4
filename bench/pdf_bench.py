#!/usr/bin/env python3
"""PDF text extraction benchmark: pagelift-convert against poppler's `pdftotext -raw`.

The corpus is a fixed list of PDF files shipped by Debian documentation packages, chosen for
variety of producers (pdfTeX, dvipdfmx, Ghostscript, groff, ReportLab, Prawn, FOP, LibreOffice,
cairo) and of kinds (manuals, papers, reference cards, slides, forms). Each file is taken from its
package with apt-get download and dpkg-deb (nothing is installed), unpacked when gzipped, and
rewritten by qpdf as PDF 1.4 without object streams. The corpus is cached outside the checkout.

Both tools run on every file a few times, interleaved; the best wall time of each counts, the start
of the process included for both. Per file and in total the table shows the throughput ratio
(pdftotext time / pagelift time, so above 1 means pagelift is faster) and the word recall and
precision of pagelift's text measured against pdftotext's words. A word is a maximal run of letters
and digits after NFKC normalisation and case folding, the same for both outputs; words are compared
as multisets. pagelift's information report and its page-separator lines are dropped first, since
pdftotext writes neither.

Standard library only. Usage: pdf_bench.py BUILD_DIR
"""

import codecs
import collections
import fcntl
import gzip
import io
import os
import re
import shlex
import signal
import statistics
import subprocess
import sys
import tarfile
import tempfile
import time
import unicodedata

# (name in the corpus, Debian package, path of the file inside the package)
CORPUS = [
    ("r-intro", "r-doc-pdf", "usr/share/R/doc/manual/R-intro.pdf"),
    ("r-faq", "r-doc-pdf", "usr/share/R/doc/manual/R-FAQ.pdf"),
    ("camlidl", "camlidl-doc", "usr/share/doc/camlidl/camlidl-1.04.doc.pdf"),
    ("maximabook", "maxima-doc", "usr/share/doc/maxima-doc/maximabook-19-Sept-2004.pdf.gz"),
    ("gnuplot", "gnuplot-doc", "usr/share/doc/gnuplot/gnuplot.pdf"),
    ("asy-refcard", "asymptote-doc", "usr/share/doc/asymptote/asyRefCard.pdf"),
    ("octave-refcard", "octave-doc", "usr/share/doc/octave/refcard-a4.pdf"),
    ("amc-sample", "auto-multiple-choice-doc-pdf",
     "usr/share/doc/auto-multiple-choice/latex/sample-amc.pdf"),
    ("amc-manual-fr", "auto-multiple-choice-doc-pdf",
     "usr/share/doc/auto-multiple-choice/auto-multiple-choice.fr.pdf"),
    ("freefem", "freefem-doc", "usr/share/doc/freefem-doc/freefem.pdf"),
    ("sdcc-manual", "sdcc-doc", "usr/share/doc/sdcc-doc/sdccman.pdf.gz"),
    ("developers-reference", "developers-reference",
     "usr/share/developers-reference/developers-reference.pdf"),
    ("gs-color", "ghostscript-doc", "usr/share/doc/ghostscript/GS9_Color_Management.pdf"),
    ("glpk", "glpk-doc", "usr/share/doc/glpk-doc/glpk.pdf"),
    ("glpk-cnfsat", "glpk-doc", "usr/share/doc/glpk-doc/cnfsat.pdf"),
    ("debian-faq", "debian-faq", "usr/share/doc/debian/FAQ/debian-faq.en.pdf.gz"),
    ("maint-guide", "maint-guide", "usr/share/doc/maint-guide/maint-guide.en.pdf"),
    ("gputils", "gputils-doc", "usr/share/doc/gputils-doc/gputils.pdf.gz"),
    ("siscone-refman", "siscone-doc-pdf", "usr/share/doc/siscone-doc-pdf/pdf/refman.pdf.gz"),
    ("groff-pdfmark", "groff", "usr/share/doc/groff-base/pdf/pdfmark.pdf.gz"),
    ("mom-slides", "groff", "usr/share/doc/groff-base/examples/mom/slide-demo.pdf.gz"),
    ("mom-pdf", "groff", "usr/share/doc/groff-base/examples/mom/mom-pdf.pdf.gz"),
    ("mom-samples", "groff", "usr/share/doc/groff-base/examples/mom/sample_docs.pdf.gz"),
    ("reportlab-guide", "python-reportlab-doc",
     "usr/share/doc/python-reportlab-doc/reportlab-userguide.pdf"),
    ("prawn-manual", "ruby-prawn-doc", "usr/share/doc/ruby-prawn/manual.pdf.gz"),
    ("icccm", "xorg-docs", "usr/share/doc/xorg-docs/icccm/icccm.pdf.gz"),
    ("xorg-relnotes", "xorg-docs", "usr/share/doc/xorg-docs/ReleaseNotes.pdf.gz"),
    ("cups-form", "cups-filters", "usr/share/cups/data/form_english.pdf"),
    ("cups-testpage", "cups-filters", "usr/share/cups/data/default-testpage.pdf"),
]
MIN_CORPUS = 15

GOAL_SPEED = 1.0
GOAL_RECALL = 0.95
GOAL_PRECISION = 0.95

# pagelift's text output opens with an information report ending in this line, and puts a
# separator line before every page; neither is document text.
REPORT_FIRST = "filename     :"
REPORT_LAST = "page count   :"
REPORT_MAX_LINES = 20
SEPARATOR = re.compile(r"^-{61} page \d+$")
WORD = re.compile(r"[^\W_]+")


class BenchError(Exception):
    pass


def log(message):
    print(message, flush=True)


# ---- corpus -------------------------------------------------------------------------------------

def cache_dir():
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "korvane-bench", "pdf")


def run_checked(argv, what, **kwargs):
    result = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kwargs)
    if result.returncode != 0:
        detail = result.stderr.decode(errors="replace").strip().splitlines()
        raise BenchError(f"{what} failed (exit {result.returncode}): "
                         f"{detail[-1] if detail else 'no message'}")
    return result.stdout


def download(package, folder):
    """Fetches PACKAGE's .deb into FOLDER and returns its path; refreshes the lists once if needed."""
    argv = ["apt-get", "download", "-qq", "-o", "APT::Sandbox::User=root", package]
    try:
        run_checked(argv, f"apt-get download {package}", cwd=folder)
    except BenchError:
        # A fresh machine may have no package lists yet.
        run_checked(["apt-get", "update", "-qq"], "apt-get update")
        run_checked(argv, f"apt-get download {package}", cwd=folder)
    debs = [f for f in os.listdir(folder) if f.startswith(package + "_") and f.endswith(".deb")]
    if len(debs) != 1:
        raise BenchError(f"apt-get download {package} left {len(debs)} matching .deb files")
    return os.path.join(folder, debs[0])


def read_member(deb, path):
    """The bytes of PATH inside the package DEB, following symbolic links inside the package."""
    data = run_checked(["dpkg-deb", "--fsys-tarfile", deb], f"dpkg-deb on {deb}")
    with tarfile.open(fileobj=io.BytesIO(data)) as tar:
        members = {m.name.removeprefix("./"): m for m in tar.getmembers()}
        for _ in range(10):
            member = members.get(path)
            if member is None:
                raise BenchError(f"{os.path.basename(deb)} has no {path}")
            if not member.issym():
                return tar.extractfile(member).read()
            target = member.linkname
            path = (target.lstrip("/") if target.startswith("/")
                    else os.path.normpath(os.path.join(os.path.dirname(path), target)))
        raise BenchError(f"{os.path.basename(deb)}: too many links at {path}")


def package_version(deb):
    return run_checked(["dpkg-deb", "-f", deb, "Version"], f"dpkg-deb on {deb}").decode().strip()


def rewrite(source, target):
    """qpdf rewrites SOURCE as PDF 1.4 without object streams; exit 3 only means warnings."""
    result = subprocess.run(["qpdf", "--object-streams=disable", "--force-version=1.4",
                             source, target], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if result.returncode not in (0, 3) or not os.path.exists(target):
        detail = result.stderr.decode(errors="replace").strip().splitlines()
        raise BenchError(f"qpdf failed on {source}: {detail[-1] if detail else result.returncode}")


def assemble_corpus(folder):
    """Makes sure every corpus file is in FOLDER; returns [(name, path)] of those present.

    A file that cannot be had is reported and left out; too few files in all end the benchmark."""
    os.makedirs(folder, exist_ok=True)
    wanted = [entry for entry in CORPUS
              if not os.path.exists(os.path.join(folder, entry[0] + ".pdf"))]
    packages = sorted({package for _, package, _ in wanted})
    if packages:
        log(f"assembling the corpus in {folder} from: {' '.join(packages)}")
    problems = []
    with tempfile.TemporaryDirectory(dir=folder) as work:
        debs = {}
        for package in packages:
            try:
                debs[package] = download(package, work)
            except BenchError as error:
                problems.append(str(error))
        manifest = os.path.join(folder, "MANIFEST")
        with open(manifest, "a", encoding="utf-8") as notes:
            for name, package, path in wanted:
                if package not in debs:
                    continue
                try:
                    data = read_member(debs[package], path)
                    if path.endswith(".gz"):
                        data = gzip.decompress(data)
                    original = os.path.join(work, name + ".orig.pdf")
                    with open(original, "wb") as out:
                        out.write(data)
                    staged = os.path.join(work, name + ".pdf")
                    rewrite(original, staged)
                    os.replace(staged, os.path.join(folder, name + ".pdf"))
                    notes.write(f"{name}.pdf\t{package} {package_version(debs[package])}\t/{path}\n")
                except (BenchError, OSError, EOFError, tarfile.TarError) as error:
                    problems.append(f"{name}: {error}")
    for problem in problems:
        log(f"corpus: {problem}")
    present = [(name, os.path.join(folder, name + ".pdf")) for name, _, _ in CORPUS
               if os.path.exists(os.path.join(folder, name + ".pdf"))]
    if len(present) < MIN_CORPUS:
        raise BenchError(f"only {len(present)} corpus files could be assembled, "
                         f"at least {MIN_CORPUS} are needed")
    return present


# ---- words --------------------------------------------------------------------------------------

def _single_bytes(error):
    return error.object[error.start:error.end].decode("cp1252", errors="replace"), error.end


codecs.register_error("bench-cp1252", _single_bytes)


def decode(data):
    """Text from a tool's output: UTF-8, with every byte that is not part of a valid UTF-8
    sequence read as Windows-1252. pdftotext writes UTF-8; pagelift may write either encoding, or
    both in one file where some fonts map their codes and others pass their bytes through."""
    return data.decode("utf-8", errors="bench-cp1252")


def strip_pagelift_frame(text):
    lines = text.splitlines()
    if lines and lines[0].startswith(REPORT_FIRST):
        for i, line in enumerate(lines[:REPORT_MAX_LINES]):
            if line.startswith(REPORT_LAST):
                lines = lines[i + 1:]
                break
    return "\n".join(line for line in lines if not SEPARATOR.match(line))


def words(text):
    return collections.Counter(WORD.findall(unicodedata.normalize("NFKC", text).casefold()))


def compare(candidate, reference):
    """(matched, candidate total, reference total) of two word multisets."""
    matched = sum((candidate & reference).values())
    return matched, sum(candidate.values()), sum(reference.values())


# ---- timing -------------------------------------------------------------------------------------

class Run:
    def __init__(self, label):
        self.label = label
        self.best = None
        self.failure = None


def timed(argv, output, timeout, run):
    """One timed run of ARGV writing OUTPUT; keeps the best time or records why it failed."""
    if run.failure:
        return
    if os.path.exists(output):
        os.remove(output)
    start = time.perf_counter()
    try:
        # A session of its own, so that a run that overstays is ended with all it started.
        process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE, start_new_session=True)
    except OSError as error:
        run.failure = f"{run.label} cannot run: {error.strerror}"
        return
    try:
        _, stderr = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.communicate()
        run.failure = f"{run.label} timed out after {timeout:g} s"
        return
    elapsed = time.perf_counter() - start
    if process.returncode != 0:
        detail = stderr.decode(errors="replace").strip().splitlines()
        run.failure = (f"{run.label} exit {process.returncode}" if process.returncode > 0
                       else f"{run.label} killed by signal {-process.returncode}")
        if detail:
            run.failure += f": {detail[-1][:60]}"
        return
    if not os.path.exists(output):
        run.failure = f"{run.label} wrote no output"
        return
    run.best = elapsed if run.best is None else min(run.best, elapsed)


def find_converter(build):
    """BUILD's pagelift-convert, the one nearest the top when there are several."""
    found = []
    for root, dirs, files in os.walk(build):
        dirs[:] = [d for d in dirs if d != "CMakeFiles"]
        if "pagelift-convert" in files:
            path = os.path.join(root, "pagelift-convert")
            if os.access(path, os.X_OK):
                found.append(path)
    return min(found, key=lambda p: (p.count(os.sep), p)) if found else None


# ---- report -------------------------------------------------------------------------------------

def ratio_text(value, digits=3):
    return "-" if value is None else f"{value:.{digits}f}"


def main(argv):
    if len(argv) != 2:
        print("usage: pdf_bench.py BUILD_DIR", file=sys.stderr)
        return 2
    build = os.path.abspath(argv[1])
    repeat = max(1, int(os.environ.get("BENCH_PDF_REPEAT", "3")))
    timeout = float(os.environ.get("BENCH_PDF_TIMEOUT", "120"))

    stand_in = os.environ.get("BENCH_PDF_TOOL", "").strip()
    missing_tool = None
    if stand_in:
        tool = shlex.split(stand_in)
    else:
        converter = find_converter(build)
        tool = [converter] if converter else None
        if not converter:
            missing_tool = f"no pagelift-convert in {build}"
    reference = ["pdftotext", "-raw"]

    folder = cache_dir()
    os.makedirs(folder, exist_ok=True)
    # Runs share the corpus and the output files, and would skew each other's timings.
    lock = open(os.path.join(folder, "lock"), "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        log("another run of this benchmark is going on; waiting for it to end")
        fcntl.flock(lock, fcntl.LOCK_EX)
    try:
        corpus = assemble_corpus(os.path.join(folder, "corpus"))
    except BenchError as error:
        print(f"bench pdf: {error}", file=sys.stderr)
        return 1
    outputs = os.path.join(folder, "out")
    os.makedirs(outputs, exist_ok=True)

    log(f"corpus: {len(corpus)} files in {os.path.join(folder, 'corpus')}; "
        f"outputs kept in {outputs}")
    log(f"candidate: {' '.join(tool) if tool else missing_tool}; reference: {' '.join(reference)}; "
        f"best of {repeat} runs")
    header = (f"{'file':<22} {'KiB':>6} {'pdftotext s':>11} {'pagelift s':>10} {'ratio':>6} "
              f"{'words':>7} {'recall':>6} {'precis':>6}  note")
    log(header)
    log("-" * len(header))

    recalls, precisions = [], []
    total_ref_time = total_tool_time = 0.0
    total_matched = total_candidate = total_reference = 0
    for name, path in corpus:
        ref_out = os.path.join(outputs, name + ".pdftotext.txt")
        tool_out = os.path.join(outputs, name + ".pagelift.txt")
        ref_run, tool_run = Run("pdftotext"), Run("pagelift")
        if tool is None:
            tool_run.failure = missing_tool
        for _ in range(repeat):
            timed(reference + [path, ref_out], ref_out, timeout, ref_run)
            if tool is not None:
                timed(tool + [path, tool_out], tool_out, timeout, tool_run)
        size = os.path.getsize(path) / 1024

        if ref_run.failure:
            # Without a reference there is nothing to measure against; the file is left out.
            log(f"{name:<22} {size:>6.0f} {'-':>11} {'-':>10} {'-':>6} {'-':>7} {'-':>6} {'-':>6}"
                f"  {ref_run.failure}; left out")
            continue
        with open(ref_out, "rb") as f:
            ref_words = words(decode(f.read()))
        note = ""
        ratio = None
        if tool_run.failure:
            matched, candidate_count, reference_count = 0, 0, sum(ref_words.values())
            recall = precision = 0.0
            note = tool_run.failure
        else:
            with open(tool_out, "rb") as f:
                tool_words = words(strip_pagelift_frame(decode(f.read())))
            matched, candidate_count, reference_count = compare(tool_words, ref_words)
            recall = matched / reference_count if reference_count else 1.0
            precision = matched / candidate_count if candidate_count else 1.0
            ratio = ref_run.best / tool_run.best if tool_run.best > 0 else None
            total_ref_time += ref_run.best
            total_tool_time += tool_run.best
            misses = [goal for goal, ok in (("recall", recall >= GOAL_RECALL),
                                            ("precision", precision >= GOAL_PRECISION),
                                            ("speed", ratio is None or ratio >= GOAL_SPEED))
                      if not ok]
            if misses:
                note = "below goal: " + ", ".join(misses)
        recalls.append(recall)
        precisions.append(precision)
        total_matched += matched
        total_candidate += candidate_count
        total_reference += reference_count
        tool_time = "-" if tool_run.best is None or tool_run.failure else f"{tool_run.best:.3f}"
        log(f"{name:<22} {size:>6.0f} {ref_run.best:>11.3f} {tool_time:>10} "
            f"{ratio_text(ratio, 2):>6} {reference_count:>7} {recall:>6.3f} {precision:>6.3f}"
            f"  {note}")

    log("-" * len(header))
    speed = total_ref_time / total_tool_time if total_tool_time > 0 else None
    pooled_recall = total_matched / total_reference if total_reference else None
    pooled_precision = total_matched / total_candidate if total_candidate else None
    converted = total_tool_time > 0
    log(f"{'total':<22} {'':>6} {(f'{total_ref_time:.3f}' if converted else '-'):>11} "
        f"{(f'{total_tool_time:.3f}' if converted else '-'):>10} "
        f"{ratio_text(speed, 2):>6} {total_reference:>7} {ratio_text(pooled_recall):>6} "
        f"{ratio_text(pooled_precision):>6}  all words pooled; ratio over the files both converted")
    median_recall = statistics.median(recalls) if recalls else None
    median_precision = statistics.median(precisions) if precisions else None
    log(f"{'median':<22} {'':>6} {'':>11} {'':>10} {'':>6} {'':>7} "
        f"{ratio_text(median_recall):>6} {ratio_text(median_precision):>6}")

    print(f"bench pdf speed-ratio: {ratio_text(speed, 2) if speed else 'n/a'} x "
          f"(goal >= {GOAL_SPEED:g})")
    print(f"bench pdf recall: {ratio_text(median_recall)} median (goal >= {GOAL_RECALL:g})")
    print(f"bench pdf precision: {ratio_text(median_precision)} median "
          f"(goal >= {GOAL_PRECISION:g})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
