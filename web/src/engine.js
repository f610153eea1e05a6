// The engine client: the one module that speaks to the engine. It starts
// the engine's Worker through the engine's own loader, sends protocol
// lines one per message, and turns the lines that come back into events
// and promises. Requests are served one at a time: a new search first
// stops the running one and waits for its end, so no best move is ever
// taken for the answer to a later question.
import { parseBestMove, parseInfo, positionCommand } from './uci.js'

export class EngineClient extends EventTarget {
  // loaderUrl: where quillon-loader.mjs is served (the engine files sit beside it).
  constructor(loaderUrl) {
    super()
    this.loaderUrl = new URL(loaderUrl, document.baseURI)
    this.worker = null
    this.threaded = false
    this.name = ''
    this.options = new Map() // name -> {min, max, default}
    this.queue = Promise.resolve()
    this.waiters = [] // {test(line) -> bool, resolve} for lines awaited
    this.search = null // the running search: {id, onInfo, resolve}
    this.searchId = 0
    this.failed = null
  }

  // Loads the engine and waits for "uciok". Rejects with a readable
  // message when the engine files cannot be loaded.
  async start() {
    const loader = await import(/* @vite-ignore */ this.loaderUrl.href)
    const base = new URL('.', this.loaderUrl)
    this.worker = loader.createQuillonWorker(base.href)
    this.threaded = this.worker.quillonThreaded === true
    const failure = new Promise((_, reject) => {
      this.worker.addEventListener('error', (event) => {
        this.failed = event.message || 'the engine could not be loaded'
        this.emit('failure', { message: this.failed })
        reject(new Error(this.failed))
        for (const waiter of this.waiters.splice(0)) waiter.reject(new Error(this.failed))
      })
    })
    failure.catch(() => {})
    this.worker.addEventListener('message', (event) => this.receive(String(event.data)))
    await Promise.race([failure, this.request('uci', (line) => line === 'uciok')])
    await Promise.race([failure, this.request('isready', (line) => line === 'readyok')])
  }

  emit(type, detail) {
    this.dispatchEvent(new CustomEvent(type, { detail }))
  }

  send(line) {
    this.emit('line', { direction: 'out', text: line })
    this.worker.postMessage(line)
  }

  receive(line) {
    this.emit('line', { direction: 'in', text: line })
    if (line.startsWith('id name ')) this.name = line.slice(8)
    const option = /^option name (\S+) type spin(?: min (-?\d+))?(?: max (-?\d+))?(?: default (-?\d+))?/.exec(line)
    if (option) this.options.set(option[1], { min: Number(option[2]), max: Number(option[3]), default: Number(option[4]) })
    if (line.startsWith('info ') && this.search) {
      const info = parseInfo(line)
      if (info && info.string === undefined) this.search.onInfo(info)
    }
    const best = parseBestMove(line)
    if (best !== null && this.search) {
      const search = this.search
      this.search = null
      search.resolve(best)
    }
    const index = this.waiters.findIndex((w) => w.test(line))
    if (index >= 0) this.waiters.splice(index, 1)[0].resolve(line)
  }

  // Sends a line and waits for the first answer line that passes test.
  request(line, test) {
    return new Promise((resolve, reject) => {
      if (this.failed) return reject(new Error(this.failed))
      this.waiters.push({ test, resolve, reject })
      this.send(line)
    })
  }

  // Runs fn when every earlier request has finished.
  serial(fn) {
    const next = this.queue.then(fn, fn)
    this.queue = next.catch(() => {})
    return next
  }

  // Ends the running search, if any, and waits until the engine is idle:
  // "stop", then "isready", whose "readyok" comes after the search's
  // "bestmove" (a search that had ended already answers at once).
  async halt() {
    if (!this.search) return
    const search = this.search
    this.send('stop')
    await this.request('isready', (line) => line === 'readyok')
    // An analysis of a finished game may end without a best move.
    if (this.search === search) {
      this.search = null
      search.resolve('')
    }
  }

  // Stops the running search; resolves when the engine is idle.
  stop() {
    return this.serial(() => this.halt())
  }

  // Searches the position reached from startFen by moves (coordinates).
  // go: the rest of the "go" line ("movetime 1000", "depth 8", "infinite").
  // onInfo receives each thinking line, parsed. Resolves with the best move
  // in coordinates ("" when the engine has none).
  async think({ startFen, moves, go, onInfo = () => {} }) {
    // The queue waits only until the search has started, not for its end:
    // the next request is what stops it.
    const { done } = await this.serial(async () => {
      await this.halt()
      const id = ++this.searchId
      const done = new Promise((resolve) => {
        this.search = { id, onInfo, resolve }
      })
      this.send(positionCommand(startFen, moves))
      this.send('go ' + go)
      return { done }
    })
    return done
  }

  // A new game: the engine forgets its hash table.
  newGame() {
    return this.serial(async () => {
      await this.halt()
      this.send('ucinewgame')
      await this.request('isready', (line) => line === 'readyok')
    })
  }

  // Sets an option between searches. Resolves with the engine's remarks
  // on it ("info string ..." lines, such as a refusal), [] when none.
  setOption(name, value) {
    return this.serial(async () => {
      await this.halt()
      const remarks = []
      const listener = (event) => {
        const { direction, text } = event.detail
        if (direction === 'in' && text.startsWith('info string ')) remarks.push(text.slice(12))
      }
      this.addEventListener('line', listener)
      try {
        this.send(`setoption name ${name} value ${value}`)
        await this.request('isready', (line) => line === 'readyok')
      } finally {
        this.removeEventListener('line', listener)
      }
      return remarks
    })
  }
}
