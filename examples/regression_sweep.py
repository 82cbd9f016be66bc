"""Golden files for every configuration x stimulus, on local processes or a Dask cluster.

For each pair of a zeb-fir --config file and a stimulus file this writes the
text that

    zeb-fir --config CONFIG --input STIMULUS --input-format int --format int

prints: one line per output time slot, one integer per path in units of the
output LSB (a Hilbert filter: "re im" per path), computed through the zebfir
package.  Stimuli are zeb-fir's stimulus text in integers of the input LSB:
one line per input time slot, one number per path (blanks or a comma between
them), "#" comments, and @config / @reload / @reset lines between vectors.

    python3 examples/regression_sweep.py --configs cfg/ --stimuli stim/ --out golden/
    python3 examples/regression_sweep.py --configs a.cfg b.cfg --stimuli s1.txt s2.txt \\
        --out golden/ --scheduler tcp://scheduler-host:8786

A directory stands for its *.cfg files (--configs) or *.txt files
(--stimuli).  The golden file of a.cfg and s1.txt is OUT/a__s1.golden; it is
written as OUT/a__s1.golden.partial and renamed only when the pair ran to
the end, so a file that exists is complete; a pair that fails leaves none
(an older one is removed).  The pairs run on a pool of local processes
(--workers, default one per core) or, with --scheduler, as tasks of a Dask
distributed cluster; there every worker needs zebfir with its library
installed, and the files under the same paths (a shared file system), since
workers read and write them directly.  A summary line is printed, and one
line per pair that failed; the exit status is 0 when every pair succeeded,
1 when one failed, 2 for a bad command line or an unreachable scheduler.
"""
import argparse
import concurrent.futures
import math
import os
import re
import sys
import time
from pathlib import Path

import numpy as np

import zebfir

VECTORS_PER_CALL = 1024  # memory stays flat however long a stimulus is
_COMMAND_KEYS = {"config": ("fsel", "chanpat"), "reload": ("fsel", "coeff"), "reset": ()}


class StimulusError(ValueError):
    """A stimulus line zeb-fir would refuse; the text starts with FILE:LINE."""


def _integer(text, where, column):
    try:
        return int(text)
    except ValueError:
        pass
    try:
        value = float(text)  # zeb-fir takes 2.0 and 1e3 as integers too
    except ValueError:
        value = math.nan
    if not value.is_integer():
        raise StimulusError(f"{where}: value {column} is not an integer: '{text}'")
    return int(value)


def _command(text, where):
    """("config" | "reload" | "reset", {key: value text}) of a command line."""
    word, *arguments = text[1:].split()
    if word not in _COMMAND_KEYS:
        raise StimulusError(f"{where}: unknown command '@{word}': expected @config, @reload or @reset")
    values = {}
    for argument in arguments:
        key, _, value = argument.partition("=")
        if key not in _COMMAND_KEYS[word]:
            raise StimulusError(f"{where}: @{word}: unknown argument '{key}'")
        values[key] = value
    if word == "reload" and "coeff" not in values:
        raise StimulusError(f"{where}: @reload: coeff=LIST is required")
    return word, values


def read_stimulus(path, paths, channels):
    """The stimulus in file order: whole vectors as integer arrays of shape
    (vectors, channels, paths), at most VECTORS_PER_CALL at a time, and
    commands as (word, arguments, FILE:LINE)."""
    slots = []

    def vectors():
        return np.array(slots).reshape(-1, channels, paths)

    with open(path, encoding="utf-8") as f:
        numbered = ((f"{path}:{number}", line.split("#", 1)[0].strip()) for number, line in enumerate(f, 1))
        for where, text in numbered:
            if text.startswith("@"):
                if len(slots) % channels:
                    raise StimulusError(f"{where}: a command must come between vectors")
                if slots:
                    yield vectors()
                    slots = []
                yield (*_command(text, where), where)
            elif text:
                values = re.split(r"\s*,\s*|\s+", text)
                if len(values) != paths:
                    raise StimulusError(f"{where}: expected {paths} value{'s' if paths != 1 else ''} "
                                        f"(one per path), found {len(values)}")
                slots.append([_integer(v, where, i + 1) for i, v in enumerate(values)])
                if len(slots) == VECTORS_PER_CALL * channels:
                    yield vectors()
                    slots = []
    if len(slots) % channels:
        raise StimulusError(f"{path}: the stimulus ends inside a vector "
                            f"({len(slots) % channels} of {channels} slots given)")
    if slots:
        yield vectors()


def _send_command(f, word, arguments):
    """Numbers go to zebfir as text: it reads them as zeb-fir does."""
    lists = {key: value.split(",") for key, value in arguments.items()}
    if word == "config":  # without chanpat: the pattern of the previous packet, as in zeb-fir
        f.config(fsel=lists.get("fsel"), pattern=arguments.get("chanpat"))
    elif word == "reload":
        f.reload(arguments.get("fsel", 0), lists["coeff"])
    else:
        f.reset()


def golden_file(config, stimulus, out):
    """Runs one pair and writes its golden file.  Returns (input slots,
    output slots), or the error text when the pair failed (no file then)."""
    partial = out.with_name(out.name + ".partial")
    slots_in = slots_out = 0
    try:
        with zebfir.Filter.from_file(config) as f, open(partial, "w", encoding="utf-8") as sink:
            paths, channels = f.config["num_paths"], f.config["num_channels"]
            for item in read_stimulus(stimulus, paths, channels):
                if isinstance(item, tuple):
                    word, arguments, where = item
                    try:
                        _send_command(f, word, arguments)
                    except zebfir.Error as e:
                        raise StimulusError(f"{where}: @{word}: {e}") from None
                    continue
                out_ints = f.process(item, output="int", input="int")
                rows = out_ints.reshape(-1, int(np.prod(out_ints.shape[2:]))).tolist()
                sink.writelines(" ".join(map(str, row)) + "\n" for row in rows)
                slots_in += item.shape[0] * channels
                slots_out += len(rows)
        partial.replace(out)
        return slots_in, slots_out
    except (zebfir.Error, StimulusError, OSError) as e:
        partial.unlink(missing_ok=True)
        out.unlink(missing_ok=True)  # one of an earlier run would pass for this one's
        return str(e)


def run_pairs(jobs, scheduler=None, workers=None):
    """golden_file of every (config, stimulus, out), in order."""
    if scheduler:
        import cloudpickle
        import distributed

        if __name__ != "__main__":  # imported: send this module's code, workers need not have it
            cloudpickle.register_pickle_by_value(sys.modules[__name__])
        with distributed.Client(scheduler) as client:
            # pure=False: a task writes a file, so an earlier identical task is no substitute.
            return client.gather([client.submit(golden_file, *job, pure=False) for job in jobs])
    with concurrent.futures.ProcessPoolExecutor(workers) as pool:
        return list(pool.map(golden_file, *zip(*jobs)))


def _files(parser, given, pattern, what):
    """The files given, a directory standing for its files matching pattern;
    their names without suffix must differ, as they name the golden files."""
    files = []
    for name in given:
        path = Path(name).resolve()
        found = sorted(path.glob(pattern)) if path.is_dir() else [path]
        if not found:
            parser.error(f"no {pattern} files in {name}")
        files.extend(found)
    stems = {}
    for path in files:
        if stems.setdefault(path.stem, path) != path:
            parser.error(f"two {what} named '{path.stem}': {stems[path.stem]} and {path}")
    return list(stems.values())


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--configs", nargs="+", required=True, metavar="PATH",
                        help="zeb-fir --config files, or directories of *.cfg files")
    parser.add_argument("--stimuli", nargs="+", required=True, metavar="PATH",
                        help="stimulus files in integers of the input LSB, or directories of *.txt files")
    parser.add_argument("--out", required=True, metavar="DIR", help="directory of the golden files (made if missing)")
    parser.add_argument("--scheduler", metavar="ADDRESS", help="Dask scheduler to run on, e.g. tcp://host:8786")
    parser.add_argument("--workers", type=int, default=os.cpu_count(), metavar="N",
                        help="local processes when there is no scheduler (default: one per core)")
    args = parser.parse_args(argv)
    configs = _files(parser, args.configs, "*.cfg", "configurations")
    stimuli = _files(parser, args.stimuli, "*.txt", "stimuli")
    out = Path(args.out).resolve()
    out.mkdir(parents=True, exist_ok=True)
    jobs = [(c, s, out / f"{c.stem}__{s.stem}.golden") for c in configs for s in stimuli]

    start = time.perf_counter()
    try:
        results = run_pairs(jobs, args.scheduler, args.workers)
    except OSError as e:  # no scheduler at that address (the pairs' own errors are in results)
        parser.exit(2, f"{parser.prog}: error: {e}\n")
    seconds = time.perf_counter() - start
    done = [r for r in results if isinstance(r, tuple)]
    where = f"the Dask cluster at {args.scheduler}" if args.scheduler else f"{args.workers} local processes"
    print(f"{len(done)} of {len(jobs)} golden files written to {out} ({len(configs)} configuration"
          f"{'s' if len(configs) != 1 else ''} x {len(stimuli)} {'stimuli' if len(stimuli) != 1 else 'stimulus'}; "
          f"{sum(r[0] for r in done)} input slots, {sum(r[1] for r in done)} output slots) on {where} "
          f"in {seconds:.1f} s")
    for (_, _, golden), result in zip(jobs, results):
        if not isinstance(result, tuple):
            print(f"failed: {golden.name}: {result}")
    return 0 if len(done) == len(jobs) else 1


if __name__ == "__main__":
    sys.exit(main())
