"""Where the runs go: a pool of processes on this machine (-j) or a
dask.distributed cluster (--scheduler). Both take batches of (text, seeds) and
give back, per candidate, (score, None, seconds) or (None, traceback, seconds)."""
import concurrent.futures as cf
import multiprocessing

from .evaluate import evaluate_batch, evaluate_in_process, init_process


# A batch should take about this long: long against what sending one costs (the
# pickles, the pool's queues, waking the search's own process to send the next),
# short against a generation, so that the workers end it together.
BATCH_S = 0.05
# Batches per worker at least (one running, one waiting in the queue) and at
# most (long runs), and at first, before any run has been timed.
LEAST_PER_WORKER, MOST_PER_WORKER = 2, 10


class Batching:
    """Cuts a generation's items into batches of about BATCH_S each, from the
    seconds per run measured so far, LEAST_PER_WORKER to MOST_PER_WORKER
    batches per worker. Which runs share a batch changes no score."""

    def __init__(self, workers):
        self.workers = workers
        self.run_s = None  # seconds per run, a running mean

    def cut(self, items):
        """`items` in order, in batches."""
        count = self.workers * MOST_PER_WORKER
        if self.run_s is not None:
            count = max(self.workers * LEAST_PER_WORKER,
                        min(count, round(len(items) * self.run_s / BATCH_S)))
        size = max(1, -(-len(items) // count))
        return [items[i:i + size] for i in range(0, len(items), size)]

    def gather(self, pending, failure, why):
        """The results of (parts, futures) in order; a batch whose future raises
        `failure` gives each of its items a failure saying why(exception). The
        runs' seconds go into the mean."""
        parts, futures = pending
        out = []
        for part, future in zip(parts, futures):
            try:
                out.extend(future.result())
            except failure as e:
                reason = why(e)
                out.extend((None, reason, 0.0) for _ in part)
        seconds = [r[2] for r in out if r[0] is not None]
        if seconds:
            mean = sum(seconds) / len(seconds)
            self.run_s = mean if self.run_s is None else 0.5 * (self.run_s + mean)
        return out


class ProcessBackend:
    """A local pool of `jobs` processes, each running one colony at a time."""

    def __init__(self, jobs, ctx):
        self.workers, self.ctx = jobs, ctx
        self.batching = Batching(jobs)
        self.pool = None

    def _pool(self):
        if self.pool is None:
            self.pool = cf.ProcessPoolExecutor(
                self.workers, mp_context=multiprocessing.get_context("forkserver"),
                initializer=init_process, initargs=(self.ctx,))
        return self.pool

    def map(self, items):
        """Results of every item, in order; a pool that broke gives failures."""
        return self.collect(self.submit(items))

    def submit(self, items):
        """Starts the runs of every item; collect() waits for them."""
        parts = self.batching.cut(items)
        return parts, [self._pool().submit(evaluate_in_process, part) for part in parts]

    def collect(self, pending):
        """The results of what submit() started, in order."""
        def lost(e):
            self.pool = None  # a worker died: a new pool for the retries
            return "a worker process died: %r" % e
        return self.batching.gather(pending, cf.process.BrokenProcessPool, lost)

    def close(self, kill=False):
        """Ends the pool; `kill` stops the runs under way at once."""
        if self.pool is None:
            return
        if kill:
            for p in list(getattr(self.pool, "_processes", {}).values()):
                p.terminate()
        self.pool.shutdown(wait=not kill, cancel_futures=True)
        self.pool = None


class DaskBackend:
    """A dask.distributed cluster whose workers run one thread each; the context
    is scattered to every worker once."""

    def __init__(self, address, ctx, timeout=10):
        from distributed import Client
        self.client = Client(address, timeout=timeout)
        threads = self.client.nthreads()
        self.workers = max(1, sum(threads.values()))
        self.batching = Batching(self.workers)
        self.ctx = self.client.scatter([ctx], broadcast=True)[0]  # a list: ctx is a tuple

    def map(self, items):
        """Results of every item, in order; a lost batch gives failures."""
        return self.collect(self.submit(items))

    def submit(self, items):
        """Starts the runs of every item; collect() waits for them."""
        parts = self.batching.cut(items)
        return parts, self.client.map(evaluate_batch, [self.ctx] * len(parts), parts, pure=False)

    def collect(self, pending):
        """The results of what submit() started, in order."""
        # A worker that died twice, a lost connection: the batch fails.
        return self.batching.gather(pending, Exception,
                                    lambda e: "the cluster lost the batch: %r" % e)

    def close(self, kill=False):
        """Lets go of the cluster (its workers go on)."""
        self.client.close()
