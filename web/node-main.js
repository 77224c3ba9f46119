// Started as a program (node kavron.js ...), the module runs at once with node's console.
if (typeof require !== 'undefined' && typeof module !== 'undefined' && require.main === module) {
  Kavron();
}
