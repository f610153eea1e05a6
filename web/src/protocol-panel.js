// The raw protocol lines both ways, for people who write engines: what the
// page sent ("> ") and what the engine answered ("< "), newest last.
const MAX_LINES = 400

export class ProtocolPanel {
  constructor(element, clearButton) {
    this.element = element
    this.count = 0 // lines ever shown; each line keeps its number in data-n
    clearButton.addEventListener('click', () => this.element.replaceChildren())
  }

  add(direction, text) {
    const line = document.createElement('div')
    line.className = direction === 'out' ? 'sent' : 'received'
    line.textContent = (direction === 'out' ? '> ' : '< ') + text
    line.dataset.n = String(++this.count)
    const follow = this.element.scrollTop + this.element.clientHeight >= this.element.scrollHeight - 4
    this.element.append(line)
    while (this.element.childElementCount > MAX_LINES) this.element.firstElementChild.remove()
    if (follow) this.element.scrollTop = this.element.scrollHeight
  }
}
