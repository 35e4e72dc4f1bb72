// Installs the service worker that keeps the site for play without a network. It is asked for only
// once every picture is in, so that on a slow first visit its copying of the site does not compete
// with the game's own loading.
export function keepForOffline() {
  if (!('serviceWorker' in navigator)) return;
  navigator.serviceWorker.register('service-worker.js').catch((error) => {
    // Without it the game still plays; only the next visit needs the network again.
    console.warn(`Skelvar: no offline copy (${error.message})`);
  });
}
