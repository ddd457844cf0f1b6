#!/usr/bin/env python3
"""examples/slurm/velbrix-array.sbatch run as a real Slurm job array, on a one-node Slurm.

Usage: slurm_array_test.py PATH_TO_VELBRIX_CONVERT PATH_TO_SBATCH_SCRIPT

Starts munged, slurmctld and slurmd of its own (root only: ports, keys, state and logs in a
temporary folder, the node being this machine at 127.0.0.1), converts 16 recordings, one of them
too short to export, with a job array of 4 tasks, and checks that every good recording's files are
byte for byte those of a plain run, that only the broken recording's task failed, with the
recording's message in its output, and that submitting that task again once the recording is
mended completes the share. Everything it started is stopped at the end, also when a check fails.

Without root, without Slurm's and MUNGE's programs (scripts/install-deps slurm), or when the daemons
do not come up, it says why and exits with 77, which CTest reports as skipped.
"""

import os
import random
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

SKIPPED = 77  # the exit status that CTest reports as skipped (SKIP_RETURN_CODE)
RECORDINGS = 16
SHARDS = 4
BROKEN = 6  # index of the recording too short to export: in share BROKEN % SHARDS + 1
PROGRAMS = ["munged", "slurmctld", "slurmd", "sbatch", "scontrol", "sinfo", "squeue", "scancel"]
# Options of the script's velbrix-convert call, for the plain run to compare with.
FORMAT_OPTIONS = ["--format", "edf", "--sample-rate", "256"]
WAIT_S = 60  # for the daemons, and then for the job


class Skip(Exception):
    pass


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def tail(path, lines=15):
    try:
        with open(path, errors="replace") as f:
            return "".join(f.readlines()[-lines:])
    except OSError as e:
        return f"({e})"


class Cluster:
    """A one-node Slurm whose files all live under `root`."""

    def __init__(self, root):
        self.root = root
        self.processes = []
        self.env = dict(os.environ, SLURM_CONF=os.path.join(root, "slurm.conf"))
        self.node = socket.gethostname().split(".")[0]

    def path(self, *names):
        return os.path.join(self.root, *names)

    def start(self):
        os.makedirs(self.path("state"))
        os.makedirs(self.path("spool"))
        with open(os.open(self.path("munge.key"), os.O_WRONLY | os.O_CREAT, 0o600), "wb") as f:
            f.write(os.urandom(1024))
        self.spawn(["munged", "--foreground", "--force", "--socket", self.path("munge.socket"),
                    "--key-file", self.path("munge.key"), "--pid-file", self.path("munged.pid"),
                    "--seed-file", self.path("munged.seed"), "--log-file", self.path("munged.log")],
                   "munged.out")
        self.wait_for(lambda: os.path.exists(self.path("munge.socket")), "munged",
                      ["munged.out", "munged.log"])
        self.write_conf()
        self.spawn(["slurmctld", "-D", "-i"], "slurmctld.out")
        self.spawn(["slurmd", "-D", "-N", self.node], "slurmd.out")
        self.wait_for(self.node_idle, "slurmctld and slurmd",
                      ["slurmctld.out", "slurmctld.log", "slurmd.out", "slurmd.log"])

    def write_conf(self):
        cpus = os.cpu_count() or 1
        lines = [
            "ClusterName=velbrixtest",
            f"SlurmctldHost={self.node}(127.0.0.1)",
            f"SlurmctldPort={free_port()}",
            f"SlurmdPort={free_port()}",
            "SlurmUser=root",
            "SlurmdUser=root",
            "AuthType=auth/munge",
            "CredType=cred/munge",
            f"AuthInfo=socket={self.path('munge.socket')}",
            f"StateSaveLocation={self.path('state')}",
            f"SlurmdSpoolDir={self.path('spool')}",
            f"SlurmctldPidFile={self.path('slurmctld.pid')}",
            f"SlurmdPidFile={self.path('slurmd.pid')}",
            f"SlurmctldLogFile={self.path('slurmctld.log')}",
            f"SlurmdLogFile={self.path('slurmd.log')}",
            "ProctrackType=proctrack/linuxproc",
            "TaskPlugin=task/none",
            "SelectType=select/cons_tres",
            "SelectTypeParameters=CR_CPU",
            "SchedulerType=sched/builtin",
            "SwitchType=switch/none",
            "MpiDefault=none",
            "JobAcctGatherType=jobacct_gather/none",
            "AccountingStorageType=accounting_storage/none",
            "JobCompType=jobcomp/none",
            "ReturnToService=2",
            "MinJobAge=600",
            f"NodeName={self.node} NodeAddr=127.0.0.1 CPUs={cpus} State=UNKNOWN",
            f"PartitionName=velbrixtest Nodes={self.node} Default=YES MaxTime=INFINITE State=UP",
        ]
        with open(self.path("slurm.conf"), "w") as f:
            f.write("\n".join(lines) + "\n")

    def spawn(self, command, log):
        with open(self.path(log), "w") as out:
            self.processes.append(subprocess.Popen(
                command, env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                stderr=subprocess.STDOUT, start_new_session=True))

    def wait_for(self, ready, what, logs):
        deadline = time.monotonic() + WAIT_S
        while not ready():
            for p in self.processes:
                if p.poll() is not None:
                    raise Skip(f"{p.args[0]} ended with status {p.returncode}.\n" +
                               self.logs(logs))
            if time.monotonic() > deadline:
                raise Skip(f"{what} did not come up in {WAIT_S} s.\n" + self.logs(logs))
            time.sleep(0.2)

    def logs(self, names):
        return "".join(f"--- {n}:\n{tail(self.path(n))}" for n in names)

    def node_idle(self):
        r = self.run(["sinfo", "--noheader", "-n", self.node, "-o", "%t"], check=False)
        return r.returncode == 0 and r.stdout.strip() == "idle"

    def run(self, command, check=True):
        r = subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL, capture_output=True,
                           text=True, timeout=WAIT_S)
        if check and r.returncode != 0:
            raise AssertionError(f"{command} failed ({r.returncode}): {r.stdout}{r.stderr}")
        return r

    def stop(self):
        if any(p.poll() is None for p in self.processes):
            try:  # no job outlives the test: cancelled, and given a moment to end
                self.run(["scancel", "--full", "--user", "root"], check=False)
                deadline = time.monotonic() + 10
                while time.monotonic() < deadline and self.run(
                        ["squeue", "--noheader", "-o", "%i"], check=False).stdout.strip():
                    time.sleep(0.2)
            except subprocess.TimeoutExpired:
                pass
        for p in reversed(self.processes):
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        # What slurmd started (job steps, the jobs' scripts) has this cluster's SLURM_CONF.
        for pid in self.started_by_slurm():
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    def started_by_slurm(self):
        mark = b"\0SLURM_CONF=" + self.env["SLURM_CONF"].encode() + b"\0"
        pids = []
        for name in os.listdir("/proc"):
            if name.isdigit() and int(name) != os.getpid():
                try:
                    with open(f"/proc/{name}/environ", "rb") as f:
                        if mark in b"\0" + f.read() + b"\0":
                            pids.append(int(name))
                except OSError:
                    pass
        return pids

    def submit(self, script, array, env):
        """Runs `script` as a job array of the task ids `array` (a list) to its end; returns each
        task's exit status by task id."""
        r = self.run(["sbatch", "--parsable", f"--array={','.join(map(str, array))}",
                      "--cpus-per-task=1",
                      f"--output={self.path('task-%a.out')}", f"--chdir={self.root}",
                      "--export=ALL," + ",".join(f"{k}={v}" for k, v in env.items()), script])
        job = r.stdout.strip().split(";")[0]
        deadline = time.monotonic() + WAIT_S
        while True:
            tasks = self.tasks(job)
            # Tasks not started yet share one line of the job's ("ArrayTaskId=3-4").
            if sorted(tasks) == sorted(array) and all(
                    state not in ("PENDING", "RUNNING", "CONFIGURING", "COMPLETING")
                    for state, _ in tasks.values()):
                return {task: status for task, (_, status) in tasks.items()}
            if time.monotonic() > deadline:
                raise AssertionError(f"job {job} not done in {WAIT_S} s: {tasks}\n" +
                                     self.logs(["slurmctld.log", "slurmd.log"]))
            time.sleep(0.3)

    def tasks(self, job):
        """Task id -> (state, exit status) of job `job`'s array tasks that have ids of their own."""
        out = self.run(["scontrol", "-o", "show", "job", job]).stdout
        tasks = {}
        for line in out.splitlines():
            fields = dict(f.split("=", 1) for f in line.split() if "=" in f)
            task = fields.get("ArrayTaskId", "")
            if task.isdigit():
                tasks[int(task)] = (fields["JobState"], int(fields["ExitCode"].split(":")[0]))
        return tasks


def make_recordings(folder):
    """RECORDINGS recordings of random sizes, the one at BROKEN shorter than a record."""
    rng = random.Random(7)
    paths = []
    for i in range(RECORDINGS):
        path = os.path.join(folder, f"rec{i + 1:02}_eeg")
        size = 20 if i == BROKEN else 32 * rng.randrange(100, 2000) + rng.randrange(0, 32)
        with open(path, "wb") as f:
            f.write(rng.randbytes(size))
        paths.append(path)
    return paths


def files(folder):
    """Name -> bytes of every file in `folder`."""
    result = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            result[name] = f.read()
    return result


def check_same(actual, expected, what):
    if sorted(actual) != sorted(expected):
        raise AssertionError(f"{what}: files {sorted(actual)}, expected {sorted(expected)}")
    for name in expected:
        if actual[name] != expected[name]:
            raise AssertionError(f"{what}: {name} differs from the plain run's")


def test(convert, script, root):
    cluster = Cluster(os.path.join(root, "slurm"))
    os.makedirs(cluster.root)
    archive = os.path.join(root, "archive")
    os.makedirs(archive)
    recordings = make_recordings(archive)
    broken = recordings[BROKEN]
    broken_task = BROKEN % SHARDS + 1
    listing = os.path.join(root, "list.txt")
    with open(listing, "w") as f:
        f.write("".join(p + "\n" for p in recordings))

    # The plain run: one call over the whole list.
    plain = os.path.join(root, "plain")
    os.makedirs(plain)
    r = subprocess.run([convert, "-q", "--recordings-from", listing, "-o", plain] + FORMAT_OPTIONS,
                       capture_output=True, text=True)
    if r.returncode != 1 or f"{broken}: holds no whole record" not in r.stderr:
        raise AssertionError(f"plain run: status {r.returncode}, {r.stderr}")
    expected = files(plain)
    if len(expected) != RECORDINGS - 1:
        raise AssertionError(f"plain run wrote {sorted(expected)}")

    out = os.path.join(root, "out")
    os.makedirs(out)
    env = {"VELBRIX_LIST": listing, "VELBRIX_OUT": out, "VELBRIX_SHARDS": SHARDS,
           "VELBRIX_CONVERT": convert}
    try:
        cluster.start()
        statuses = cluster.submit(script, list(range(1, SHARDS + 1)), env)
        want = {task: 1 if task == broken_task else 0 for task in range(1, SHARDS + 1)}
        if statuses != want:
            raise AssertionError(f"tasks' exit statuses {statuses}, expected {want}\n" +
                                 cluster.logs([f"task-{t}.out" for t in want]))
        for task in want:
            said = tail(cluster.path(f"task-{task}.out"), 100)
            if (f"{broken}: holds no whole record" in said) != (task == broken_task):
                raise AssertionError(f"task {task}'s output: {said!r}")
        check_same(files(out), expected, "job array")

        # The broken recording mended, its task again alone: the share is complete, and the
        # recordings converted the first time are replaced by the same bytes.
        shutil.copyfile(recordings[BROKEN + 1], broken)
        r = subprocess.run([convert, "-q", "-o", plain] + FORMAT_OPTIONS + [broken])
        if r.returncode != 0:
            raise AssertionError("plain run of the mended recording failed")
        statuses = cluster.submit(script, [broken_task], env)
        if statuses != {broken_task: 0}:
            raise AssertionError(f"the task again: exit statuses {statuses}\n" +
                                 cluster.logs([f"task-{broken_task}.out"]))
        check_same(files(out), files(plain), "task submitted again")
    finally:
        cluster.stop()


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    convert, script = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    started = time.monotonic()
    try:
        if os.geteuid() != 0:
            raise Skip("not root: a Slurm of its own needs root")
        missing = [p for p in PROGRAMS if shutil.which(p) is None]
        if missing:
            raise Skip(f"{', '.join(missing)} not installed (scripts/install-deps slurm)")
        with tempfile.TemporaryDirectory(prefix="velbrix-slurm-") as root:
            os.chmod(root, 0o700)  # munged checks that no one else can write its key's folder
            test(convert, script, root)
    except Skip as e:
        print(f"Skipped: {e}")
        sys.exit(SKIPPED)
    print(f"Passed: {RECORDINGS} recordings in {SHARDS} tasks, {time.monotonic() - started:.1f} s")


if __name__ == "__main__":
    main()
