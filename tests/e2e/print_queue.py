"""A private print queue for the end-to-end tests: what a Wine program prints
comes out as a PDF in a folder of the test's own.

`PrintQueue(folder)` runs a CUPS scheduler of its own (configuration, spool,
logs and output all under FOLDER, listening only on the Unix socket
FOLDER/cups.sock) with one cups-pdf queue, "PDF", made the default. Programs
reach it through CUPS_SERVER (see `env`); desktop.py puts that into the
desktop's environment, so Wine's printing sees "PDF" as its default printer.

    with PrintQueue(folder) as queue:
        ...print something...
        pdf = queue.next_pdf()
        page = pdf_pages(pdf)[0]                 # size, orientation
        image = render_page(pdf, 300, folder)    # PIL image at 300 dpi

Needs root: cups-pdf runs only as root, and it reads its settings from the
fixed path /etc/cups/cups-pdf.conf, so the scheduler runs in a mount
namespace of its own where our folder is mounted over /etc/cups. Nothing of
the machine's CUPS (its scheduler, /etc/cups, /var/spool/cups, ~/PDF) is read
or changed, and the mount goes away with the last process of the queue.

Every process of the queue (the scheduler, its filters and cups-pdf's
ghostscript) carries MARKER=FOLDER in its environment, so a watcher can find
and end them if the harness is killed (see desktop.py's reaper).
"""

import os
import re
import shutil
import subprocess
import tempfile
from collections import namedtuple
from pathlib import Path

from PIL import Image

from desktop import DesktopError, _die_with_parent, _kill_all, _processes_with, _stop, wait_for

NAME = "PDF"
MARKER = "VELMORA_PRINT_QUEUE"
PPD = Path("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd")
MM_PER_POINT = 25.4 / 72

# One page of a PDF: size in millimetres as shown (after /Rotate), rotation in
# degrees, paper name as pdfinfo guesses it ("A4", or "" when it has none),
# "portrait" or "landscape" as shown.
Page = namedtuple("Page", "width_mm height_mm rotation paper orientation")


class PrintQueueError(DesktopError):
    pass


class PrintQueue:
    """A private cupsd with the cups-pdf queue "PDF". Use as a context manager,
    or `attached(folder)` to use one that another process runs."""

    def __init__(self, folder):
        self.folder = Path(folder)
        self.socket = self.folder / "cups.sock"
        self.etc = self.folder / "etc"  # ServerRoot, and /etc/cups for the scheduler
        self.pdf_dir = self.folder / "pdf"
        self.log_dir = self.folder / "log"
        self.owner = True
        self._cupsd = None
        self._handed_out = set()  # PDFs that next_pdf is not to return
        self._last_old_job = 0  # failed_jobs looks at the jobs after this one

    @classmethod
    def attached(cls, folder):
        """A running queue, as it is now: what it made so far counts as old."""
        queue = cls(folder)
        queue.owner = False
        queue._forget_the_past()
        return queue

    def _forget_the_past(self):
        self._handed_out.update(self.pdfs())
        self._last_old_job = max(self.ended_jobs() + self.queued_jobs(), default=0)

    @property
    def env(self):
        """What a client (lpstat, Wine's winspool through libcups) needs to use this queue."""
        return {"CUPS_SERVER": str(self.socket)}

    # -- life cycle

    def __enter__(self):
        if self.owner:
            try:
                self.start()
            except BaseException:
                self.close()
                raise
        return self

    def __exit__(self, *exc):
        self.close()

    def start(self):
        if os.geteuid() != 0:
            raise PrintQueueError("the print queue needs root (cups-pdf runs only as root)")
        for tool in ("cupsd", "lpadmin", "unshare"):
            if not shutil.which(tool):
                raise PrintQueueError(f"{tool} not found: run tools/setup.sh")
        if not PPD.exists() or not Path("/etc/cups").is_dir():
            raise PrintQueueError(f"{PPD} or /etc/cups missing: run tools/setup.sh")
        _check_reachable_by_others(self.folder.parent)
        self._write_config()
        self._start_cupsd()
        # lpadmin warns that printer drivers are deprecated; the PPD queue works all the same.
        # TitlePref=1: name the PDF after the job's title. cups-pdf's own reading of
        # the PostScript title leaves stray bytes in the name.
        self._client(["lpadmin", "-p", NAME, "-v", "cups-pdf:/", "-E", "-P", str(PPD),
                      "-o", "PageSize=A4", "-o", "TitlePref=1"])
        self._client(["lpadmin", "-d", NAME])

    def _write_config(self):
        f = self.folder
        for d in (self.etc, f / "spool" / "tmp", f / "cache", f / "state", self.log_dir,
                  self.pdf_dir, f / "cups-pdf-spool"):
            d.mkdir(parents=True, exist_ok=True)
        # The filters run as lp: they must get through to the spool and the PPD.
        f.chmod(0o711)
        (self.etc / "cups-files.conf").write_text(_lines(
            f"ServerRoot {self.etc}",
            f"RequestRoot {f / 'spool'}",
            f"TempDir {f / 'spool' / 'tmp'}",
            f"CacheDir {f / 'cache'}",
            f"StateDir {f / 'state'}",
            f"Printcap {f / 'state' / 'printcap'}",
            f"ServerKeychain {self.etc / 'ssl'}",
            f"AccessLog {self.log_dir / 'access_log'}",
            f"ErrorLog {self.log_dir / 'error_log'}",
            f"PageLog {self.log_dir / 'page_log'}",
            "User lp", "Group lp", "SystemGroup root", "LogFileGroup root",
            "CreateSelfSignedCerts no", "FileDevice no",
            f"SetEnv {MARKER} {f}"))  # handed on to every filter and backend
        (self.etc / "cupsd.conf").write_text(_lines(
            f"Listen {self.socket}",  # no network port: only this socket
            "Browsing no", "BrowseLocalProtocols none", "DefaultShared no", "WebInterface no",
            "LogLevel info", "MaxLogSize 0",  # job_log reads the jobs' info lines
            # Jobs stay in the history (lpstat -W completed) for the whole run.
            "PreserveJobHistory yes", "PreserveJobFiles no", "MaxJobs 0",
            "<Policy default>",
            "  JobPrivateAccess all", "  JobPrivateValues none",
            "  SubscriptionPrivateAccess all", "  SubscriptionPrivateValues none",
            "  <Limit All>", "    Order deny,allow", "  </Limit>",
            "</Policy>"))
        # cups-pdf reads /etc/cups/cups-pdf.conf, which inside the scheduler's
        # namespace is this file. Out: where the PDFs go, for every user.
        (self.etc / "cups-pdf.conf").write_text(_lines(
            f"Out {self.pdf_dir}",
            f"Spool {f / 'cups-pdf-spool'}",
            f"Log {self.log_dir}",
            f"GSTmp {f / 'spool' / 'tmp'}",
            "Grp lp"))

    def _start_cupsd(self):
        env = {k: v for k, v in os.environ.items() if k not in ("CUPS_SERVER", MARKER)}
        env[MARKER] = str(self.folder)
        with open(self.log_dir / "cupsd.out", "ab") as log:
            self._cupsd = subprocess.Popen(
                ["unshare", "--mount", "--propagation", "private", "--", "sh", "-c",
                 'mount --bind "$1" /etc/cups && exec cupsd -f -c "$1/cupsd.conf" '
                 '-s "$1/cups-files.conf"', "sh", str(self.etc)],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log, env=env,
                preexec_fn=_die_with_parent)

        def running():
            if self._cupsd.poll() is not None:
                raise PrintQueueError(f"cupsd exited ({self._cupsd.returncode}): "
                                      f"{_tail(self.log_dir / 'cupsd.out')}"
                                      f"{_tail(self.log_dir / 'error_log')}")
            return self.socket.exists() and self._client(["lpstat", "-r"], check=False)[0] == 0

        wait_for(running, 10, 0.02, "the print queue's cupsd to listen")

    def close(self):
        """Stop the scheduler and whatever it still runs; the folder stays (its owner removes it)."""
        if not self.owner:
            return
        if self._cupsd is not None:
            # SIGTERM: cupsd stops its jobs' filters and backends before it exits.
            _stop(self._cupsd, 10)
            self._cupsd = None
        end_processes(self.folder)

    # -- the queue

    def pdfs(self):
        """The PDFs in the output folder, oldest job first (finished or not)."""
        return sorted(self.pdf_dir.glob("*.pdf"), key=lambda p: (job_of(p) or 0, p.name))

    def queued_jobs(self):
        """Ids of the jobs not finished yet: pending, held, stopped or printing."""
        return self._job_ids("not-completed")

    def ended_jobs(self):
        """Ids of the jobs that are over: completed, cancelled or aborted."""
        return self._job_ids("completed")

    def failed_jobs(self):
        """Ids of the jobs that are over without a PDF (cups-pdf cancels a job it
        cannot write; a broken filter aborts it), since this object was made or
        last reset."""
        made = {job_of(p) for p in self.pdfs()}
        return [j for j in self.ended_jobs() if j > self._last_old_job and j not in made]

    def _job_ids(self, which):
        out = self._client(["lpstat", "-W", which, "-o", NAME])[1]
        return sorted(int(m.group(1)) for m in re.finditer(rf"^{NAME}-(\d+)\s", out, re.M))

    def state(self):
        """The queue's line in `lpstat -p`, e.g. "printer PDF is idle.  enabled since ...",
        "printer PDF disabled since ... - REASON" or "printer PDF now printing PDF-3."."""
        return " ".join(self._client(["lpstat", "-p", NAME])[1].split())

    def enabled(self):
        return not re.match(rf"printer {NAME} disabled", self.state())

    def disable(self, reason="held by the test"):
        """Stop printing: jobs still come in and wait in the queue."""
        self._client(["cupsdisable", "-r", reason, NAME])

    def enable(self):
        self._client(["cupsenable", NAME])

    def reset(self):
        """Between tests: cancel what is queued, enable the queue, and count every
        job and PDF so far as old, so `next_pdf` waits for a new PDF and
        `failed_jobs` tells only of new jobs."""
        self._client(["cancel", "-a", NAME])
        self.enable()
        wait_for(lambda: not self.queued_jobs(), 10, 0.1, "the queue to empty")
        self._forget_the_past()

    def next_pdf(self, timeout=30.0):
        """Wait for the next finished PDF that no earlier call returned (nor was
        there when this object was made or last reset) and return its path.

        cups-pdf writes the file in place while ghostscript runs, so a file only
        counts once its job is over. On time-out the error says what the queue
        shows (state, queued and failed jobs, the end of its logs)."""
        def finished():
            fresh = [p for p in self.pdfs() if p not in self._handed_out]
            if not fresh:
                return None
            ended = set(self.ended_jobs())
            done = [p for p in fresh if job_of(p) in ended]
            return done[0] if done else None

        try:
            pdf = wait_for(finished, timeout, 0.1, "a new PDF from the print queue")
        except DesktopError as e:
            raise PrintQueueError(f"{e}\n{self.diagnosis()}") from None
        self._handed_out.add(pdf)
        return pdf

    def job_log(self, job):
        """cupsd's log lines about job JOB ("Queued on", "Started filter", "Job completed", ...)."""
        try:
            text = (self.log_dir / "error_log").read_text(errors="replace")
        except FileNotFoundError:
            return []
        return [line for line in text.splitlines() if f"[Job {job}] " in line]

    def diagnosis(self):
        """What to look at when a job does not come out."""
        parts = [f"queue: {self.state()}", f"queued jobs: {self.queued_jobs()}",
                 f"failed jobs: {self.failed_jobs()}",
                 f"PDFs: {[p.name for p in self.pdfs()]}"]
        for log in (self.log_dir / "error_log", self.log_dir / f"cups-pdf-{NAME}_log"):
            parts.append(f"--- end of {log.name}:\n{_tail(log, 15)}")
        return "\n".join(parts)

    def _client(self, args, check=True):
        """Run a CUPS client against this scheduler, with messages in English."""
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("LC_") and k not in ("LANG", "LANGUAGE")}
        env.update(self.env, LANG="C", LC_ALL="C")
        r = subprocess.run(args, env=env, capture_output=True, text=True, timeout=30)
        if check and r.returncode != 0:
            raise PrintQueueError(f"{' '.join(args)} exited {r.returncode}: {r.stderr.strip()}")
        return r.returncode, r.stdout, r.stderr


# ------------------------------------------------------------------ PDFs

def job_of(pdf):
    """The job id in a cups-pdf file name (TITLE-job_N.pdf), or None."""
    m = re.search(r"-job_(\d+)\.pdf$", Path(pdf).name)
    return int(m.group(1)) if m else None


def pdf_pages(pdf):
    """The pages of a PDF as `Page`s, read with pdfinfo."""
    out = subprocess.run(["pdfinfo", str(pdf)], capture_output=True, text=True, check=True,
                         timeout=30).stdout
    count = int(re.search(r"^Pages:\s+(\d+)", out, re.M).group(1))
    out = subprocess.run(["pdfinfo", "-f", "1", "-l", str(count), str(pdf)],
                         capture_output=True, text=True, check=True, timeout=30).stdout
    pages = []
    for n in range(1, count + 1):
        size = re.search(rf"^Page\s+{n} size:\s+([\d.]+) x ([\d.]+) pts(?: \((\w+)\))?", out, re.M)
        rot = re.search(rf"^Page\s+{n} rot:\s+(\d+)", out, re.M)
        w, h = float(size.group(1)) * MM_PER_POINT, float(size.group(2)) * MM_PER_POINT
        rotation = int(rot.group(1)) if rot else 0
        if rotation % 180:
            w, h = h, w
        pages.append(Page(round(w, 2), round(h, 2), rotation, size.group(3) or "",
                          "landscape" if w > h else "portrait"))
    return pages


def render_page(pdf, dpi, scratch, page=1, png=None):
    """One page rendered with pdftoppm at DPI, as a PIL RGB image. pdftoppm writes
    it into a scratch folder in SCRATCH, removed again; copied to PNG when given."""
    base = Path(tempfile.mkdtemp(prefix="render-", dir=scratch)) / "page"
    try:
        subprocess.run(["pdftoppm", "-r", str(dpi), "-f", str(page), "-l", str(page),
                        "-singlefile", "-png", str(pdf), str(base)],
                       check=True, capture_output=True, timeout=60)
        made = base.with_suffix(".png")
        with Image.open(made) as img:
            image = img.convert("RGB")
        if png:
            shutil.copyfile(made, png)
        return image
    finally:
        shutil.rmtree(base.parent, ignore_errors=True)


# ------------------------------------------------------------------ helpers

def end_processes(folder):
    """Kill every process of the queue in FOLDER (it carries MARKER=FOLDER),
    until none is left. The reaper calls this when the harness was killed."""
    entry = f"{MARKER}={folder}"
    wait_for(lambda: not _kill_all(_processes_with([entry])), 10, 0.1,
             f"the print queue's processes in {folder} to end")


def _check_reachable_by_others(folder):
    """cupsd runs filters as lp: every folder above the queue must let others through."""
    for d in [Path(folder), *Path(folder).parents]:
        if not d.stat().st_mode & 0o001:
            raise PrintQueueError(f"{d} is not searchable by others (chmod o+x): the print "
                                  "queue's filters, run as lp, could not reach its spool")


def _lines(*lines):
    return "\n".join(lines) + "\n"


def _tail(path, n=10):
    try:
        return "\n".join(Path(path).read_text(errors="replace").splitlines()[-n:])
    except OSError:
        return "(none)"
