// The render module: view transform, render driver and entity drawing.
