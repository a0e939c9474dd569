#!/usr/bin/python3
"""Two users' fleet metrics in one shared collector folder, scraped by a real node_exporter, and
the README's alert rule run over the scraped series with promtool.

    fleet_metrics_e2e.py --cli build/src/quillmere-cli --readme README.md --artifacts DIR

root and nobody each have a home (on the same volume) with a week of daily records and a
settings.json that writes the metrics to quillmere-$USER.prom in one folder of mode 1777, as the
README suggests; each runs `quillmere-cli scan` as themselves. prometheus-node-exporter (only its
textfile collector, on a free loopback port) serves the folder: both users' series must be
there, each exactly once, and node_exporter must report no error. Then `promtool test rules`
runs the README's rule (taken from the README itself) over the scraped series with the labels a
Prometheus scrape adds: a folder of one user that grew fast while the other user's disk runs
full raises no alert; only a user whose own disk runs full does. Exits 0 when every check
passed, 1 naming the failed one. Every process started is ended by its pid.
"""

import argparse
import datetime
import json
import os
import pwd
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

from prometheus_client.parser import text_string_to_metric_families

USERS = ["root", "nobody"]
FOLDER = "~/Projects"
GIGABYTE = 10**9


class CheckFailed(Exception):
    pass


def check(condition, what):
    if not condition:
        raise CheckFailed(what)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def prepare_home(root, user, textfile):
    """A home with ~/Projects, a week of records falling by 10 GB a day up to yesterday, and the
    settings that write the metrics into the shared folder."""
    account = pwd.getpwnam(user)
    home = os.path.join(root, user)
    data = os.path.join(home, ".local", "share", "Quillmere")
    os.makedirs(data)
    os.makedirs(os.path.join(home, "Projects"))
    with open(os.path.join(home, "Projects", "work.bin"), "wb") as f:
        f.write(os.urandom(300_000))
    volume = os.statvfs(home)
    free = volume.f_bavail * volume.f_frsize
    today = datetime.datetime.now(datetime.timezone.utc).date()
    records = []
    for back in range(6, 0, -1):
        day = today - datetime.timedelta(days=back)
        records.append({"date": day.isoformat(), "free": free + back * 10 * GIGABYTE,
                        "entries": {FOLDER: 100_000}, "scannedAt": day.isoformat() + "T01:00:00Z"})
    with open(os.path.join(data, "snapshots.json"), "w") as f:
        json.dump(records, f)
    settings = {"watchEntries": [{"path": FOLDER, "enabled": True}],
                # Half the free space: at 10 GB a day, a few days away.
                "thresholdGB": max(2, free // GIGABYTE // 2), "criticalGB": 1,
                "fleetMetricsEnabled": True,
                "fleetMetricsFile": os.path.join(textfile, "quillmere-%s.prom" % user)}
    with open(os.path.join(data, "settings.json"), "w") as f:
        json.dump(settings, f)
    runtime = os.path.join(root, user + "-runtime")
    os.makedirs(runtime, mode=0o700)
    for folder, _, files in os.walk(home):
        os.chown(folder, account.pw_uid, account.pw_gid)
        for name in files:
            os.chown(os.path.join(folder, name), account.pw_uid, account.pw_gid)
    os.chown(runtime, account.pw_uid, account.pw_gid)
    return home, runtime


def scan_as(user, cli, home, runtime, log):
    environment = {"PATH": "/usr/bin:/bin", "HOME": home, "XDG_RUNTIME_DIR": runtime, "TZ": "UTC",
                   "LC_ALL": "C.UTF-8"}
    command = [cli, "scan", "--json"]
    if user != "root":
        command = ["setpriv", "--reuid=" + user, "--regid=nogroup", "--clear-groups"] + command
    result = subprocess.run(command, env=environment, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, timeout=60, check=False)
    log.write("$ %s (as %s)\n%s\n" % (" ".join(command), user,
                                       result.stdout.decode(errors="replace")))
    check(result.returncode == 0, "quillmere-cli scan as %s exited %d" % (user, result.returncode))


def scrape(port, exporter, exporter_log):
    """The exporter's page once it answers with the textfile collector's figures."""
    deadline = time.monotonic() + 20
    while True:
        check(exporter.poll() is None, "node_exporter ended early (see %s)" % exporter_log)
        try:
            with urllib.request.urlopen("http://127.0.0.1:%d/metrics" % port, timeout=5) as page:
                text = page.read().decode()
            if "node_textfile_scrape_error" in text:
                return text
        except OSError:
            pass
        check(time.monotonic() < deadline, "node_exporter did not answer on port %d" % port)
        time.sleep(0.2)


def quillmere_series(text):
    """(name, labels) -> value of every quillmere_ sample, and the number of such samples."""
    series = {}
    count = 0
    for family in text_string_to_metric_families(text):
        for sample in family.samples:
            if sample.name.startswith("quillmere_"):
                count += 1
                series[(sample.name, tuple(sorted(sample.labels.items())))] = sample.value
    return series, count


def readme_rules(readme):
    """The YAML block of the README's fleet metrics section: the alert rule as users copy it."""
    with open(readme, encoding="utf-8") as f:
        text = f.read()
    section = text.split("## Fleet metrics for Prometheus", 1)[1].split("\n## ", 1)[0]
    blocks = re.findall(r"```yaml\n(.*?)```", section, re.S)
    check(len(blocks) == 1, "the README's fleet metrics section has %d YAML blocks" % len(blocks))
    return blocks[0]


def series_text(name, labels):
    inner = ",".join('%s=%s' % (key, json.dumps(value)) for key, value in sorted(labels.items()))
    return "%s{%s}" % (name, inner)


def rule_test(scraped, instance):
    """promtool's test file: the scraped series with the labels a scrape adds, and values chosen
    so that root's folder grew 25 GB while only nobody's disk reaches the warning line within two
    weeks, and most of root's drop in free space, but not nobody's, lies outside the watched
    folders. Each rule must raise one alert: for nobody's folder, for root's drop."""
    values = {("quillmere_folder_growth_bytes", "root"): "25e9",
              ("quillmere_folder_growth_bytes", "nobody"): "25e9",
              ("quillmere_days_to_warning_line", "root"): "30",
              ("quillmere_days_to_warning_line", "nobody"): "5",
              # root's free space fell 10 GB, 8 GB of it outside the watched folders; nobody's
              # fell as much, but its folders explain 8 GB.
              ("quillmere_free_change_bytes", "root"): "-10e9",
              ("quillmere_free_change_bytes", "nobody"): "-10e9",
              ("quillmere_unexplained_change_bytes", "root"): "-8e9",
              ("quillmere_unexplained_change_bytes", "nobody"): "-2e9"}
    elsewhere_labels = None
    input_series = []
    alert_labels = None
    for (name, labels), _ in sorted(scraped.items()):
        labels = dict(labels, instance=instance, job="node")
        value = values.get((name, labels["user"]))
        if value is None:
            continue
        input_series.append({"series": series_text(name, labels), "values": value + "x15"})
        if name == "quillmere_folder_growth_bytes" and labels["user"] == "nobody":
            alert_labels = dict(labels, severity="warning")
        if name == "quillmere_unexplained_change_bytes" and labels["user"] == "root":
            elsewhere_labels = dict(labels, severity="info")
    check(len(input_series) == 8 and alert_labels is not None and elsewhere_labels is not None,
          "the scrape lacks growth or prediction series: %s" % input_series)
    summary = "%s of nobody on %s grew 23.28GiB in a day" % (FOLDER, instance)
    return {
        "rule_files": ["rules.yml"],
        "evaluation_interval": "1m",
        "tests": [{
            "interval": "1m",
            "input_series": input_series,
            "alert_rule_test": [{
                "eval_time": "10m",
                "alertname": "FolderGrewFast",
                "exp_alerts": [{
                    "exp_labels": alert_labels,
                    "exp_annotations": {
                        "summary": summary,
                        "description": "At this pace the warning line is reached within two "
                                       "weeks.",
                    },
                }],
            }, {
                "eval_time": "10m",
                "alertname": "SpaceUsedOutsideWatchedFolders",
                "exp_alerts": [{
                    "exp_labels": elsewhere_labels,
                    "exp_annotations": {
                        "summary": "Most of the drop in free space of root on %s is outside the "
                                   "watched folders" % instance,
                        "description": "The watched folders explain less than half of it: look "
                                       "at the system, other folders and other users.",
                    },
                }],
            }],
        }],
    }


def run(arguments, work, log):
    textfile = os.path.join(work, "textfile")
    os.makedirs(textfile)
    os.chmod(textfile, 0o1777)
    homes = {user: prepare_home(work, user, textfile) for user in USERS}
    for user in USERS:
        scan_as(user, arguments.cli, *homes[user], log)
    for user in USERS:
        path = os.path.join(textfile, "quillmere-%s.prom" % user)
        check(os.path.isfile(path), "%s's scan wrote no %s" % (user, path))
        shutil.copy(path, arguments.artifacts)

    port = free_port()
    exporter_log = os.path.join(arguments.artifacts, "node_exporter.log")
    with open(exporter_log, "w") as exporter_out:
        exporter = subprocess.Popen(
            ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
             "prometheus-node-exporter", "--collector.disable-defaults", "--collector.textfile",
             "--collector.textfile.directory=" + textfile,
             "--web.listen-address=127.0.0.1:%d" % port],
            stdout=exporter_out, stderr=subprocess.STDOUT)
    try:
        text = scrape(port, exporter, exporter_log)
    finally:
        exporter.terminate()
        try:
            exporter.wait(timeout=10)
        except subprocess.TimeoutExpired:
            exporter.kill()
            exporter.wait()
    with open(os.path.join(arguments.artifacts, "scrape.txt"), "w") as f:
        f.write(text)
    with open(exporter_log) as f:
        exporter_messages = f.read()

    scraped, count = quillmere_series(text)
    check("node_textfile_scrape_error 0" in text, "node_exporter could not read the folder")
    collisions = [line for line in exporter_messages.splitlines() if "collected before" in line]
    check(not collisions,
          "node_exporter dropped series that collide: %s" % collisions[:1])
    check(count == len(scraped), "a series appears more than once in the scrape")
    names = sorted({name for name, _ in scraped})
    for user in USERS:
        of_user = sorted({name for name, labels in scraped if ("user", user) in labels})
        check(of_user == names, "%s's series in the scrape: %s of %s" % (user, of_user, names))
        with open(os.path.join(textfile, "quillmere-%s.prom" % user)) as f:
            written, _ = quillmere_series(f.read())
        check(set(written) <= set(scraped), "%s's file is not served whole" % user)
    check(len(scraped) == 2 * len(written), "the two files do not give two series each")

    rules = os.path.join(work, "rules.yml")
    with open(rules, "w") as f:
        f.write(readme_rules(arguments.readme))
    tests = os.path.join(work, "rules_test.yml")
    with open(tests, "w") as f:
        json.dump(rule_test(scraped, "127.0.0.1:%d" % port), f, indent=2)
    shutil.copy(rules, arguments.artifacts)
    shutil.copy(tests, arguments.artifacts)
    result = subprocess.run(["promtool", "test", "rules", tests], cwd=work,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60,
                            check=False)
    log.write("$ promtool test rules\n%s\n" % result.stdout.decode(errors="replace"))
    check(result.returncode == 0,
          "promtool test rules failed:\n" + result.stdout.decode(errors="replace"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--readme", required=True)
    parser.add_argument("--artifacts", required=True)
    arguments = parser.parse_args()
    os.makedirs(arguments.artifacts, exist_ok=True)
    work = tempfile.mkdtemp(prefix="quillmere-fleet-")
    os.chmod(work, 0o755)  # nobody reaches its home inside
    try:
        with open(os.path.join(arguments.artifacts, "run.log"), "w") as log:
            run(arguments, work, log)
    except CheckFailed as failure:
        print("FAILED: %s (artifacts in %s)" % (failure, arguments.artifacts), flush=True)
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("PASSED: both users' series scraped once each; the README's rule alerts per user",
          flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
