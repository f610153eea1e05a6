// The engine's settings: Threads (only where the threaded engine runs) and
// Hash, each sent to the engine when changed; the engine's remarks (a
// refused size, say) are shown beside them.
export const HASH_SIZES = [16, 32, 64, 128, 256, 512, 1024]

export class Settings {
  constructor({ threads, hash, note, engine }) {
    Object.assign(this, { threads, hash, note, engine })
  }

  // Fills the choices once the engine has said which options it has.
  init() {
    const engine = this.engine
    const threadsOption = engine.options.get('Threads') || { min: 1, max: 1, default: 1 }
    const threadsMax = engine.threaded && globalThis.crossOriginIsolated === true ? Math.min(8, threadsOption.max || 1) : 1
    this.threads.replaceChildren(...range(1, threadsMax).map((n) => option(n, n === 1)))
    this.threads.disabled = threadsMax === 1
    this.threads.title = threadsMax === 1 ? 'More threads need the threaded engine (a cross-origin isolated page)' : ''

    const hashOption = engine.options.get('Hash') || { min: 1, max: 1024, default: 16 }
    const sizes = HASH_SIZES.filter((mb) => mb >= (hashOption.min || 1) && mb <= (hashOption.max || 1024))
    if (!sizes.includes(hashOption.default)) sizes.push(hashOption.default)
    sizes.sort((a, b) => a - b)
    this.hash.replaceChildren(...sizes.map((mb) => option(mb, mb === hashOption.default, `${mb} MB`)))

    this.current = { Threads: this.threads.value, Hash: this.hash.value }
    this.threads.addEventListener('change', () => this.apply('Threads', this.threads))
    this.hash.addEventListener('change', () => this.apply('Hash', this.hash))
  }

  async apply(name, select) {
    this.note.textContent = `Setting ${name} to ${select.value}…`
    const remarks = await this.engine.setOption(name, select.value)
    if (remarks.length) {
      // The engine did not take the value (it says why): the choice shows
      // what it kept.
      this.note.textContent = `Quillon: ${remarks.join('; ')}`
      select.value = this.current[name]
    } else {
      this.note.textContent = `${name} set to ${select.value}.`
      this.current[name] = select.value
    }
    this.note.classList.toggle('warning', remarks.length > 0)
  }
}

function range(from, to) {
  return Array.from({ length: to - from + 1 }, (_, i) => from + i)
}

function option(value, selected, label = String(value)) {
  const element = document.createElement('option')
  element.value = String(value)
  element.textContent = label
  element.selected = selected
  return element
}
