// The preview canvas: the menu's client area at 1:1. Each frame draws only the rectangle the menu
// changed, unless the canvas changed size or the page drew over it since.
export class Preview {
  #canvas;
  #overdrawn = false;

  constructor(canvas) {
    this.#canvas = canvas;
  }

  // frame: Menu.frame().
  draw(frame) {
    const canvas = this.#canvas;
    const width = frame ? frame.image.width : 0;
    const height = frame ? frame.image.height : 0;
    let all = this.#overdrawn;
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
      all = true;
    }
    this.#overdrawn = false;
    if (!frame) return;
    const context = canvas.getContext('2d');
    if (all) context.putImageData(frame.image, 0, 0);
    else if (frame.right > frame.left)
      context.putImageData(frame.image, 0, 0, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
  }

  // The page drew over the menu's pixels (the outline of the selected button).
  overdrawn() {
    this.#overdrawn = true;
  }
}
