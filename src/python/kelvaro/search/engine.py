"""The search loop: a population of genomes, varied by the genome operators,
kept by NSGA-II over (score up, gene count down), with every random draw made
here from one generator whose state is saved at each generation boundary, so
that a resumed search goes on exactly as an unbroken one."""
import math
import random
import shlex
import signal
import statistics
import sys
import time

from deap import base, tools

from . import genome as gn
from . import outputs, propose, refine, statefile
from .evaluate import replicate_seeds


# With replicates, a candidate whose first replicate scores more than this below
# the best is not run on the others.
RACE_MARGIN = 0.05
# Generations without a better best after which the population starts afresh.
RESTART = 20


class Fitness(base.Fitness):
    """Score (maximised) and gene count (minimised)."""
    weights = (1.0, -1.0)


class Candidate:
    """A genome with its canonical text and, once scored, its fitness."""

    def __init__(self, genes):
        self.genes = tuple(genes)
        self.text = gn.genome_text(self.genes)
        self.fitness = Fitness()

    def __eq__(self, other):
        return self.text == other.text

    def __hash__(self):
        return hash(self.text)


class Stopped(BaseException):
    """SIGINT or SIGTERM arrived: the search stops where it stands."""


class Search:
    """One search folder: its state, the backend that runs candidates, and the
    budget of this session."""

    def __init__(self, folder, state, backend, budget, quiet=False, lock=None):
        self.folder, self.state, self.backend, self.budget = folder, state, backend, budget
        self.quiet = quiet
        self.lock = lock  # the folder's lock file, held open while the search runs
        self.run = state["run"]
        self.space = gn.space_of(self.run)
        self.rng = random.Random()
        self.rng.setstate(state["rng"])
        self.signo = 0
        self.writing = False  # files are being written: a stop waits for them
        self.unwritten = False  # a boundary captured whose files are not written yet
        self.shown_traceback = False
        self.began = time.monotonic()
        self.last_plot = -math.inf
        self.bar = None
        self.proposed = {}  # the best's text: the genomes read off the target around it

    # --- signals -------------------------------------------------------------
    def _on_signal(self, signo, frame):
        # Anywhere but in the writing of the files: building a large generation
        # or selecting from it stops as promptly as waiting for its runs. The
        # state in memory is that of the last boundary until the runs are in.
        if self.signo:
            return
        self.signo = signo
        if not self.writing:
            raise Stopped()

    def _elapsed(self):
        return self.state["elapsed"] + time.monotonic() - self.began

    # --- scoring -------------------------------------------------------------
    def _worst(self):
        return -math.inf if self.run["score"] else 0.0

    def score(self, candidates):
        """Scores the candidates the cache does not know (each once), retrying a
        failure once; a second failure scores the worst. Sets every fitness."""
        return self._collect(self._submit(candidates))

    def _submit(self, candidates):
        """Starts the runs of the candidates the cache does not know, each once:
        on the first replicate only while the best is known (see _race)."""
        cache, fresh, seen = self.state["cache"], [], set()
        for c in candidates:
            if c.text not in cache and c.text not in seen:
                seen.add(c.text)
                fresh.append(c.text)
        first = 1 if self.state["best"] is not None else self.run["replicates"]
        items = [(t, replicate_seeds(self.run["seed"], t, self.run["replicates"])[:first])
                 for t in fresh]
        return candidates, items, self.backend.submit(items)

    def _retried(self, items, results):
        """`results` with each failed item run once more."""
        again = [i for i, r in enumerate(results) if r[0] is None]
        if again:
            self._failed(results[again[0]][1])
            for i, r in zip(again, self.backend.map([items[i] for i in again])):
                results[i] = r
        return results

    def _race(self, items, results):
        """The rest of the replicates, for the candidates whose first one came
        within RACE_MARGIN of the best: the others keep their first replicate's
        score, which is too low to make them the best. Returns the results over
        all the seeds each candidate was run on."""
        best, replicates = self.state["best"], self.run["replicates"]
        if best is None or replicates == 1:
            return results
        near = [i for i, r in enumerate(results)
                if r[0] is not None and r[0] >= best["score"] - RACE_MARGIN]
        rest = [(items[i][0], replicate_seeds(self.run["seed"], items[i][0], replicates)[1:])
                for i in near]
        for i, r in zip(near, self._retried(rest, self.backend.map(rest))):
            value = None if r[0] is None else (results[i][0] + r[0] * (replicates - 1)) / replicates
            results[i] = (value, r[1], results[i][2] + r[2])
        return results

    def _collect(self, pending):
        """Waits for what _submit started and sets every candidate's fitness;
        returns how many runs were fresh."""
        candidates, items, handle = pending
        cache = self.state["cache"]
        results = self._race(items, self._retried(items, self.backend.collect(handle)))
        for (text, _), (value, error, _) in zip(items, results):
            if value is None:
                self.state["failures"] += 1
                self._failed(error)
                value = self._worst()
            cache[text] = value
        self.state["evaluations"] += len(items)
        for c in candidates:
            c.fitness.values = (cache[c.text], len(c.genes))
        self._track_best(candidates)
        return len(items)

    def _failed(self, error):
        self.state["retries"] = self.state.get("retries", 0) + 1
        if not self.shown_traceback:
            self.shown_traceback = True
            print("kelvaro-search: a run failed (retried once, then scored as the worst; the "
                  "log counts failures):\n%s" % error.rstrip(), file=sys.stderr)

    def _track_best(self, candidates):
        best = self.state["best"]
        for c in candidates:
            key = (c.fitness.values[0], -len(c.genes))
            if best is None or key > (best["score"], -best["genes"]):
                best = dict(text=c.text, score=key[0], genes=len(c.genes),
                            generation=self.state["generation"] + 1,
                            evaluations=self.state["evaluations"],
                            seeds=replicate_seeds(self.run["seed"], c.text, self.run["replicates"]))
                self.state["best_changed"] = True
        self.state["best"] = best

    # --- the population ------------------------------------------------------
    def _first_population(self):
        rng, space, size = self.rng, self.space, self.run["population"]
        start = self.run["from_genes"]
        if start:
            genes = [tuple(start)[:space.max_genes]]
            while len(genes) < size:
                g = genes[0]
                for _ in range(rng.randint(1, 3)):
                    g = gn.mutate(rng, space, g)
                genes.append(g)
        else:
            genes = [gn.random_genome(rng, space) for _ in range(size)]
        return [Candidate(g) for g in genes]

    def _restarting(self):
        """Whether the next generation starts afresh: the best is a multiple of
        RESTART generations old. A population that has climbed to a peak stays
        there (its refinement knows the peak's every neighbour), so a new one
        climbs elsewhere; the best and the front are kept."""
        stale = self.state["generation"] + 1 - self.state["best"]["generation"]
        return stale > 0 and stale % RESTART == 0

    def _parent(self, population):
        a, b = self.rng.sample(population, 2) if len(population) > 1 else population * 2
        return a if a.fitness.wvalues >= b.fitness.wvalues else b

    def _offspring(self, population):
        rng, space, out = self.rng, self.space, []
        for _ in range(self.run["population"]):
            if rng.random() < 0.4:
                child = gn.cross(rng, space, self._parent(population).genes,
                                 self._parent(population).genes)
            else:
                child = self._parent(population).genes
            for _ in range(1 + (rng.random() < 0.4)):
                child = gn.mutate(rng, space, child)
            out.append(Candidate(child))
        return out + [Candidate(g) for g in self._refinement(population)]

    def _refinement(self, population):
        """The best's neighbours, and its sweep once it is refine.STALL generations old."""
        best = max(population, key=lambda c: (c.fitness.values[0], -len(c.genes)))
        cache = self.state["cache"]
        if best.text not in self.proposed:  # read off the target once per best
            self.proposed = {best.text: propose.proposals(self.space, best.genes,
                                                          self.run["target_cells"])}
        out = refine.neighbours(self.space, best.genes, cache, first=self.proposed[best.text],
                                limit=refine.LIMIT * self.run["population"])
        if self.state["generation"] + 1 - self.state["best"]["generation"] >= refine.STALL:
            out += refine.sweep(self.space, best.genes, cache)
        return out

    def _select(self, candidates):
        """The next population: NSGA-II over one candidate per (score, genes)
        point, so that neutral copies do not crowd the front; the places left go
        to the best-scoring of the others."""
        seen, unique, rest = set(), [], []
        for c in candidates:
            (rest if c.fitness.values in seen else unique).append(c)
            seen.add(c.fitness.values)
        size = self.run["population"]
        if len(unique) >= size:
            return tools.selNSGA2(unique, size)
        rest.sort(key=lambda c: c.fitness.wvalues, reverse=True)
        return unique + rest[:size - len(unique)]

    def _restore(self, pairs):
        out = []
        for text, score in pairs:
            c = Candidate(gn.parse_genome(text))
            c.fitness.values = (score, len(c.genes))
            out.append(c)
        return out

    # --- one generation ------------------------------------------------------
    def _capture(self, generation, population, front, fresh):
        """The generation boundary in memory: the log's row, the population, the
        front and the generator's state, as the state file will hold them. A
        stop waits until the boundary is whole; its files are then unwritten."""
        self.writing = True
        try:
            self.state["generation"] = generation
            row = self._capture_boundary(population, front, fresh)
        finally:
            self.writing = False
        self.unwritten = True
        if self.signo:
            raise Stopped()
        return row

    def _capture_boundary(self, population, front, fresh):
        scores = sorted(c.fitness.values[0] for c in population)
        elapsed = self._elapsed()
        row = dict(generation=self.state["generation"], evaluations=self.state["evaluations"],
                   best=self.state["best"]["score"], median=statistics.median(scores),
                   worst=scores[0], best_genes=self.state["best"]["genes"],
                   unique=len(self.state["cache"]), failures=self.state["failures"],
                   elapsed_s=round(elapsed, 3),
                   evaluations_per_s=round(fresh / max(time.monotonic() - self.began, 1e-9), 3))
        self.state["log"].record(**row)
        self.state["population"] = [(c.text, c.fitness.values[0]) for c in population]
        self.state["front"] = [(c.text, c.fitness.values[0]) for c in front]
        self.state["rng"] = self.rng.getstate()
        self.state["elapsed"] = elapsed
        self.began = time.monotonic()
        return row

    def _write(self, final):
        """The files of the last boundary; a stop that comes meanwhile waits
        until they are whole."""
        self.writing = True
        try:
            self._write_files(final)
        finally:
            self.writing = False
        self.unwritten = False
        if self.signo:
            raise Stopped()

    def _write_files(self, final):
        folder, state = self.folder, self.state
        if state.pop("best_changed", False):
            outputs.write_best(folder, state["best"], self.run, self.run["command"])
            if self.run["pictures"]:
                outputs.write_picture(folder, state["best"], self.run, self.run["target"])
                outputs.write_page(folder, state["best"], self.run, self.run["target"])
        rows = list(state["log"])
        outputs.write_csv(folder, rows)
        if final or time.monotonic() - self.last_plot >= 10:
            outputs.write_progress(folder, rows)
            self.last_plot = time.monotonic()
        if final:
            front = sorted(((t, s, len(gn.parse_genome(t))) for t, s in state["front"]),
                           key=lambda f: (f[2], -f[1]))
            outputs.write_front(folder, front)
        statefile.write(folder, state)

    def _show(self, row):
        if self.quiet:
            return
        if self.bar is not None:
            self.bar.update(1)
            self.bar.set_postfix(best="%.4f" % row["best"], evals_s="%.1f" % row["evaluations_per_s"])
            return
        print("generation %d: best %.4f (%d genes), median %.4f, %d evaluations, %.1f/s, %.1f s"
              % (row["generation"], row["best"], row["best_genes"], row["median"],
                 row["evaluations"], row["evaluations_per_s"], row["elapsed_s"]), flush=True)

    def _done(self, row):
        b = self.budget
        return ((b["stop_at"] is not None and row["best"] >= b["stop_at"])
                or (b["generations"] is not None and row["generation"] >= b["generations"])
                or (b["evaluations"] is not None and row["evaluations"] >= b["evaluations"])
                or (b["minutes"] is not None and row["elapsed_s"] >= 60 * b["minutes"]))

    def go(self):
        """Runs generations until a budget ends; returns the exit status (0, or
        128 plus the signal's number)."""
        handlers = {s: signal.signal(s, self._on_signal) for s in (signal.SIGINT, signal.SIGTERM)}
        if not self.quiet and sys.stderr.isatty():
            from tqdm import tqdm
            self.bar = tqdm(total=self.budget["generations"], initial=self.state["generation"] + 1,
                            unit="gen", file=sys.stderr)
        try:
            return self._loop()
        except Stopped:
            self.backend.close(kill=True)
            self.writing = True  # no second Stopped while the files are written
            if self.unwritten:
                self._write_files(final=True)
            if self.bar is not None:
                self.bar.close()
            where = ("after generation %d" % self.state["generation"]
                     if self.state["generation"] >= 0 else "before its first generation")
            print("kelvaro-search: stopped by signal %d %s; to go on: kelvaro-search --resume %s"
                  % (self.signo, where, shlex.quote(self.folder)), file=sys.stderr)
            return 128 + self.signo
        finally:
            self.backend.close(kill=bool(self.signo))
            for s, h in handlers.items():
                signal.signal(s, h)
            if self.bar is not None:
                self.bar.close()
            if self.lock is not None:
                self.lock.close()  # the folder is free for the next search

    def _loop(self):
        front = tools.ParetoFront(lambda a, b: a.fitness.values == b.fitness.values)
        population = self._restore(self.state["population"])
        front.update(self._restore(self.state["front"]))
        if self.state["generation"] < 0:
            population = self._first_population()
            fresh = self.score(population)
            population = self._select(population)
            front.update(population)
            row = self._capture(0, population, front, fresh)
        else:
            row = self.state["log"][-1]
        while not self._done(row):
            # The next generation's runs start first; the last boundary's files
            # are written while they run, so that the workers never wait on them.
            if self._restarting():
                population = []
                pending = self._submit(self._first_population())
            else:
                pending = self._submit(self._offspring(population))
            if self.unwritten:
                self._write(final=False)
                self._show(row)
            offspring = pending[0]
            fresh = self._collect(pending)
            population = self._select(population + offspring)
            front.update(population)
            row = self._capture(self.state["generation"] + 1, population, front, fresh)
        shown = not self.unwritten
        self._write(final=True)
        if not shown:
            self._show(row)
        return 0
